#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace qv {

// A file written under a temporary name beside its target and renamed over it by commit(), so
// that a failure at any point leaves whatever file was there untouched. The temporary goes when
// the object does, unless committed. Each step answers false on failure, with errorNumber().
class ReplacingFile {
public:
    explicit ReplacingFile(std::filesystem::path target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    bool open();
    bool write(std::string_view bytes);
    // Flushes to the disk, closes and renames into place.
    bool commit();
    int errorNumber() const { return m_error; }
    const std::filesystem::path& target() const { return m_target; }

private:
    bool fail(int errorNumber);
    void discard();

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    std::FILE* m_file = nullptr;
    int m_error = 0;
};

}  // namespace qv
