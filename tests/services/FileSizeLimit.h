#pragma once

#include <sys/resource.h>

#include <csignal>

namespace qv::test {

// For as long as it lives, files of this process may grow to LIMIT bytes, and writing past it
// fails with EFBIG instead of raising a signal: a disk that fills up, on demand.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        ::getrlimit(RLIMIT_FSIZE, &m_before);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = m_before;
        lower.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_before{};
    void (*m_handler)(int) = SIG_DFL;
};

}  // namespace qv::test
