#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace qv {

enum class LockKind { Shared, Exclusive };

// Which file an open descriptor refers to, whatever name reached it.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator<(const FileIdentity& other) const {
        return device != other.device ? device < other.device : inode < other.inode;
    }
    bool operator==(const FileIdentity& other) const = default;
};

// An open file holding a whole-file open-file-description lock (fcntl F_OFD_SETLK), so that
// two objects of one process conflict exactly as two processes do, and so that classic POSIX
// locks of other programs are honoured. Move-only; closing the descriptor releases the lock.
class LockedFile {
public:
    enum class Result { Locked, Missing, Held, Failed };

    LockedFile() = default;
    ~LockedFile();
    LockedFile(LockedFile&& other) noexcept;
    LockedFile& operator=(LockedFile&& other) noexcept;
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    // Opens PATH (read-write when allowed) and locks it without waiting. On Failed, errorNumber
    // holds the errno.
    Result open(const std::filesystem::path& path, LockKind kind, int& errorNumber);
    void close();

    bool isOpen() const { return m_fd >= 0; }
    bool writable() const { return m_writable; }
    int fd() const { return m_fd; }
    // Device and inode of the open file (read at open); empty when closed.
    FileIdentity identity() const;

private:
    int m_fd = -1;
    bool m_writable = false;
    FileIdentity m_identity{};  // of the open descriptor, which never changes while it is open
};

// True when some object of this process or another process holds a lock on the file at PATH
// (a missing file is not held).
bool isFileHeld(const std::filesystem::path& path);

// The errno as a short Spanish phrase for messages ("permiso denegado").
std::string systemErrorText(int errorNumber);

}  // namespace qv
