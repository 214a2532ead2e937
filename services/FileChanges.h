#pragma once

#include <cstdint>

#include "services/FileLock.h"

namespace qv {

// A process-wide count of the writes made to each table file, so that an object notices what
// another object wrote even when size and modification time did not change.
std::uint64_t fileChangeCount(const FileIdentity& file);
// Records that the file was written.
void noteFileChange(const FileIdentity& file);

}  // namespace qv
