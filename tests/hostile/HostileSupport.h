#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

// What the hostile-input suites use to prove that nothing was lost: folder snapshots, a watch
// on a folder that nothing may open, and a run inside a read-only work folder.
namespace qv::hostil {

// Every regular file under FOLDER (relative path -> bytes).
using Instantanea = std::map<std::string, std::string>;
Instantanea instantanea(const std::filesystem::path& carpeta);

// Reports every file opened inside FOLDER from construction on (inotify).
class VigilanciaDeAperturas {
public:
    explicit VigilanciaDeAperturas(const std::filesystem::path& carpeta);
    ~VigilanciaDeAperturas();
    VigilanciaDeAperturas(const VigilanciaDeAperturas&) = delete;
    VigilanciaDeAperturas& operator=(const VigilanciaDeAperturas&) = delete;
    // The names opened or read since the last call.
    std::vector<std::string> abiertos();

private:
    int m_fd = -1;
};

// Runs WORK in a child process that sees FOLDER as a read-only bind mount (its own mount
// namespace, so nothing changes for anyone else). Returns the text WORK returned, or sets
// *sinPrivilegios when the system would not make the mount.
std::string enCarpetaDeSoloLectura(const std::filesystem::path& carpeta,
                                   const std::function<std::string()>& trabajo,
                                   bool* sinPrivilegios);

}  // namespace qv::hostil
