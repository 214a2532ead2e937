#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Small helpers shared by the fuzz targets.
namespace qv::fuzz {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(const char* prefix);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Writes BYTES to FILE, replacing it.
void writeFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace qv::fuzz
