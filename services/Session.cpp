#include "services/Session.h"

namespace qv {

Session::Session(std::filesystem::path workFolder, std::filesystem::path programFolder)
    : carpetaTrabajo(std::move(workFolder)), carpetaPrograma(std::move(programFolder)) {
    wwTableNomAsg.setLocation(carpetaTrabajo, "ASIGNOMT.DBF");
    wwTableNomAsg_2.setLocation(carpetaTrabajo, "ASIGNOMT2.DBF");
    wwTableProfesor.setLocation(carpetaTrabajo, "PROFT.DBF");
    wwTableTramos.setLocation(carpetaTrabajo, "DIASHORAST.DBF");
    wwTableAulas.setLocation(carpetaTrabajo, "AULAT.DBF");
    wwTableGrupos.setLocation(carpetaTrabajo, "GRUPOST.DBF");
    wwTableAsig.setLocation(carpetaTrabajo, "ASIGT.DBF");
    wwTableSoluc.setLocation(carpetaTrabajo, "SOLUC.DBF");
    wwTableCursos.setLocation(carpetaTrabajo, "CURSOST.DBF");
    wwTableNIVELEX.setLocation({}, "NIVELCAN.dbf");
}

}  // namespace qv
