#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "services/PrivateFolder.h"

namespace qv {

// A uniquely named folder inside the work folder where an export writes its tables, so that the
// work folder changes only once the whole run has succeeded. The destructor removes the folder
// and everything in it, so a run that fails leaves the work folder as it was. Nothing else knows
// the folder, so its tables write their rows once, when they close.
class CarpetaProvisional {
public:
    // Creates the folder inside CARPETATRABAJO; Error when it cannot be made.
    explicit CarpetaProvisional(std::filesystem::path carpetaTrabajo);
    ~CarpetaProvisional();
    CarpetaProvisional(const CarpetaProvisional&) = delete;
    CarpetaProvisional& operator=(const CarpetaProvisional&) = delete;

    // Where the run writes instead of the work folder.
    const std::filesystem::path& ruta() const { return m_ruta; }

    // Moves every file written here into the work folder and takes the work folder's files
    // named in RETIRADOS away. Both replace the work folder's files of those names whatever
    // their letter case. A file to be replaced or taken away that another object or process
    // holds ends with TableError before anything changes; a move that fails puts everything
    // back and ends with TableError. So does a table of this folder whose rows could not be
    // written.
    void confirmar(const std::vector<std::string>& retirados);

private:
    std::filesystem::path m_carpetaTrabajo;
    std::filesystem::path m_ruta;
    std::unique_ptr<PrivateFolder> m_privada;
};

}  // namespace qv
