#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// INI files written the way Windows writes them.
namespace qv {

// Sets KEY to VALUE in SECTION of the INI file at PATH: section and key are matched without
// regard to letter case, an existing value is replaced, a missing section or key is added, and
// every other line of the file stays as it was. The file is written to a temporary name and
// renamed into place. Throws Error "Unable to write to %s" (the path) when it cannot be written.
void writeIniString(const std::filesystem::path& path, std::string_view section,
                    std::string_view key, std::string_view value);

// The same with VALUE written in decimal.
void writeIniInteger(const std::filesystem::path& path, std::string_view section,
                     std::string_view key, int value);

// The new content of an INI file whose old content is TEXT once KEY is set to VALUE in SECTION
// (what writeIniString writes).
std::string iniWithValue(std::string_view text, std::string_view section, std::string_view key,
                         std::string_view value);

}  // namespace qv
