#include "services/ReplacingFile.h"

#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

namespace qv {

namespace fs = std::filesystem;

namespace {

std::FILE* createExclusive(const fs::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wbx");
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

}  // namespace

ReplacingFile::ReplacingFile(fs::path target) : m_target(std::move(target)) {}

ReplacingFile::~ReplacingFile() {
    discard();
}

bool ReplacingFile::open() {
    const fs::path folder = m_target.has_parent_path() ? m_target.parent_path() : fs::path(".");
    std::random_device random;
    for (int attempt = 0; attempt < 100 && m_file == nullptr; ++attempt) {
        m_temporary =
            folder / ("." + m_target.filename().string() + "." + std::to_string(random()) + ".tmp");
        m_file = createExclusive(m_temporary);
        if (m_file == nullptr && errno != EEXIST) {
            break;
        }
    }
    if (m_file == nullptr) {
        m_temporary.clear();
        return fail(errno);
    }
    return true;
}

bool ReplacingFile::write(std::string_view bytes) {
    if (m_file == nullptr) {
        return fail(EBADF);
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
        return fail(errno);
    }
    return true;
}

bool ReplacingFile::commit() {
    if (m_file == nullptr) {
        return fail(EBADF);
    }
    bool ok = std::fflush(m_file) == 0;
#ifndef _WIN32
    ok = ok && ::fsync(fileno(m_file)) == 0;
#endif
    const int error = errno;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (!ok || !closed) {
        return fail(ok ? errno : error);
    }
    std::error_code ec;
    fs::rename(m_temporary, m_target, ec);
    if (ec) {
        return fail(ec.value());
    }
    m_temporary.clear();
    return true;
}

bool ReplacingFile::fail(int errorNumber) {
    if (m_error == 0) {  // the first failure is the one that tells why
        m_error = errorNumber != 0 ? errorNumber : EIO;
    }
    discard();
    return false;
}

void ReplacingFile::discard() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temporary.empty()) {
        std::error_code ignored;
        fs::remove(m_temporary, ignored);
        m_temporary.clear();
    }
}

}  // namespace qv
