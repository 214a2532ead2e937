#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qv {

// A PROFT row lacking X_EMPLEADO or F_TOMAPOS (ANSI values).
struct ProfesorIncompleto {
    std::string abrev;
    std::string nombre;
};

// True when every row of PROFT.DBF in CARPETATRABAJO has a non-blank X_EMPLEADO and F_TOMAPOS.
bool ProfesoresCompletos(const std::filesystem::path& carpetaTrabajo);

// Every incomplete row, in the table's natural order (what the CLI lists).
std::vector<ProfesorIncompleto> profesoresIncompletos(const std::filesystem::path& carpetaTrabajo);

}  // namespace qv
