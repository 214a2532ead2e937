#pragma once

#include <filesystem>
#include <optional>

#include "services/Error.h"
#include "services/FileLock.h"

namespace qv {

// A folder only this process knows of, such as the staging folder of a run. No other program
// can be reading its tables, so a table opened there keeps the rows posted to it in memory and
// writes them in one go when it closes (or when another object of this process is about to
// read the file). Registered for as long as the object lives.
class PrivateFolder {
public:
    // FOLDER must exist; Error otherwise.
    explicit PrivateFolder(const std::filesystem::path& folder);
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // Writes what tables still open in the folder hold; then, if a table of the folder was
    // closed by its destructor without managing to write its rows, raises that TableError.
    void writePending();

private:
    FileIdentity m_identity;
};

// The folder's identity when it is registered as private.
std::optional<FileIdentity> privateFolderIdentity(const std::filesystem::path& folder);

// A table of a private folder that could not write its rows while closing quietly (in a
// destructor) reports it here, so the loss surfaces before the folder's files are used.
void noteLostWrites(const FileIdentity& folder, const TableError& error);

}  // namespace qv
