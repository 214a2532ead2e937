#include "services/FileLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace qv {

namespace {

// Whole-file lock description: start 0, length 0 means "to the end, however it grows".
struct flock wholeFile(short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;
    fl.l_pid = 0;  // required by the OFD variants
    return fl;
}

}  // namespace

LockedFile::~LockedFile() {
    close();
}

LockedFile::LockedFile(LockedFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_writable(other.m_writable),
      m_identity(std::exchange(other.m_identity, FileIdentity{})) {}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_writable = other.m_writable;
        m_identity = std::exchange(other.m_identity, FileIdentity{});
    }
    return *this;
}

LockedFile::Result LockedFile::open(const std::filesystem::path& path, LockKind kind,
                                    int& errorNumber) {
    close();
    errorNumber = 0;
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    bool writable = true;
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        writable = false;
    }
    if (fd < 0) {
        errorNumber = errno;
        return errno == ENOENT || errno == ENOTDIR ? Result::Missing : Result::Failed;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        errorNumber = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(fd);
        return Result::Failed;
    }
    // A write lock needs a descriptor open for writing; a read-only file can only be shared.
    if (kind == LockKind::Exclusive && !writable) {
        errorNumber = EACCES;
        ::close(fd);
        return Result::Failed;
    }
    struct flock fl = wholeFile(kind == LockKind::Exclusive ? F_WRLCK : F_RDLCK);
    if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
        int lockError = errno;
        ::close(fd);
        if (lockError == EAGAIN || lockError == EACCES) {
            return Result::Held;
        }
        errorNumber = lockError;
        return Result::Failed;
    }
    m_fd = fd;
    m_writable = writable;
    m_identity = {info.st_dev, info.st_ino};
    return Result::Locked;
}

void LockedFile::close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_identity = {};
}

FileIdentity LockedFile::identity() const {
    // Asked at every post: a descriptor's device and inode are fixed, so no fstat each time.
    return m_identity;
}

bool isFileHeld(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // Asking for a write lock reports any lock, shared or exclusive, held through another
    // open file description, in this process or another.
    struct flock fl = wholeFile(F_WRLCK);
    bool held = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

std::string systemErrorText(int errorNumber) {
    switch (errorNumber) {
        case ENOENT:
        case ENOTDIR:
            return "no existe la carpeta o el archivo";
        case EACCES:
        case EPERM:
            return "permiso denegado";
        case EROFS:
            return "el disco es de solo lectura";
        case ENOSPC:
            return "no queda espacio en el disco";
        case EDQUOT:
            return "se ha superado la cuota de disco";
        case EFBIG:
            return "el archivo supera el tamaño máximo permitido";
        case EISDIR:
            return "es una carpeta, no un archivo";
        case EIO:
            return "error de entrada/salida";
        default:
            return std::strerror(errorNumber);
    }
}

}  // namespace qv
