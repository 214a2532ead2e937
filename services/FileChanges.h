#pragma once

#include <cstdint>
#include <functional>

#include "services/FileLock.h"

namespace qv {

// A process-wide count of the writes made to each table file, so that an object notices what
// another object wrote even when size and modification time did not change.
std::uint64_t fileChangeCount(const FileIdentity& file);
// Records that the file was written.
void noteFileChange(const FileIdentity& file);

// Objects that keep posted rows in memory (tables of a private folder) register here while they
// hold rows the file does not have yet. Any other object about to read that file has them
// written first, so that every object of the process still sees every posted row.
// FOLDER is the identity of the folder holding FILE.
void notePendingWrites(const FileIdentity& file, const FileIdentity& folder, const void* owner,
                       std::function<void()> write);
void forgetPendingWrites(const void* owner);
// Writes what objects other than EXCEPT hold for FILE; their TableError passes through.
void writePendingOf(const FileIdentity& file, const void* except);
// Writes what every object holds for files inside FOLDER.
void writePendingIn(const FileIdentity& folder);

}  // namespace qv
