#include "services/Session.h"

namespace qv {

Session::Session(std::filesystem::path workFolder, std::filesystem::path programFolder)
    : carpetaPrograma(std::move(programFolder)) {
    enlazarCarpetaTrabajo(std::move(workFolder));
    wwTableNIVELEX.setLocation({}, "NIVELCAN.dbf");
}

void Session::enlazarCarpetaTrabajo(std::filesystem::path folder) {
    carpetaTrabajo = std::move(folder);
    wwTableNomAsg.setLocation(carpetaTrabajo, "ASIGNOMT.DBF");
    wwTableNomAsg_2.setLocation(carpetaTrabajo, "ASIGNOMT2.DBF");
    wwTableProfesor.setLocation(carpetaTrabajo, "PROFT.DBF");
    wwTableTramos.setLocation(carpetaTrabajo, "DIASHORAST.DBF");
    wwTableAulas.setLocation(carpetaTrabajo, "AULAT.DBF");
    wwTableGrupos.setLocation(carpetaTrabajo, "GRUPOST.DBF");
    wwTableAsig.setLocation(carpetaTrabajo, "ASIGT.DBF");
    wwTableSoluc.setLocation(carpetaTrabajo, "SOLUC.DBF");
    wwTableCursos.setLocation(carpetaTrabajo, "CURSOST.DBF");
}

}  // namespace qv
