#include "import/ProfesoresCompletos.h"

#include "services/Table.h"
#include "services/Text.h"

namespace qv {

namespace {

bool incompleto(const Table& proft) {
    return isBlank(proft.asString("X_EMPLEADO")) || isBlank(proft.asString("F_TOMAPOS"));
}

}  // namespace

bool ProfesoresCompletos(const std::filesystem::path& carpetaTrabajo) {
    Table proft(carpetaTrabajo, "PROFT.DBF");
    proft.open(OpenMode::Shared);
    for (proft.first(); !proft.eof(); proft.next()) {
        if (incompleto(proft)) {
            return false;
        }
    }
    return true;
}

std::vector<ProfesorIncompleto> profesoresIncompletos(const std::filesystem::path& carpetaTrabajo) {
    std::vector<ProfesorIncompleto> lista;
    Table proft(carpetaTrabajo, "PROFT.DBF");
    proft.open(OpenMode::Shared);
    for (proft.first(); !proft.eof(); proft.next()) {
        if (incompleto(proft)) {
            lista.push_back({proft.asString("ABREV"), proft.asString("NOMBRE")});
        }
    }
    return lista;
}

}  // namespace qv
