#pragma once

#include <filesystem>
#include <string>

// The fixed places of the tool.
namespace qv {

// C:\VTEMP on Windows; elsewhere the Wine prefix's drive_c/VTEMP
// ($WINEPREFIX, default ~/.wine). Nothing else configures it.
std::filesystem::path workFolder();

// The folder of the running executable.
std::filesystem::path programFolder();

// FOLDER/NAME, matched against existing files whatever their letter case; when none exists,
// FOLDER/NAME as given (the name a file we create gets).
std::filesystem::path findFile(const std::filesystem::path& folder, const std::string& name);

// True when a regular file exists at the path (an empty path counts as missing).
bool fileExists(const std::filesystem::path& path);

}  // namespace qv
