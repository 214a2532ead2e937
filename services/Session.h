#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "services/Table.h"
#include "services/XmlDocument.h"

namespace qv {

// What the main window owns and keeps between runs: the chosen document, its XML document,
// the chosen school day, the export-run lists, the result code, the mode, and the ten table
// objects bound to their files. Runs take it by reference so they can be tested without a
// window.
struct Session {
    // Binds the table objects to WORKFOLDER; the level table's folder is set by its step.
    explicit Session(std::filesystem::path workFolder, std::filesystem::path programFolder);

    // Makes FOLDER the work folder: carpetaTrabajo and the table objects bound to it (all of
    // them closed) follow.
    void enlazarCarpetaTrabajo(std::filesystem::path folder);

    std::filesystem::path carpetaTrabajo;
    std::filesystem::path carpetaPrograma;

    std::filesystem::path ArchivoXML;
    std::unique_ptr<XmlDocument> DocumentoXML;
    std::string JornadaPlantilla;  // ANSI

    // The export-run lists of the subjects step: sorted, exact, no duplicates. ANSI.
    std::set<std::string> CodigosAsignados;
    std::set<std::string> CodigosLargos;
    std::set<std::string> NombresMaterias;
    std::set<std::string> CodigosNombres;

    std::int32_t ResultadoTraspaso = 0;
    std::int32_t ModoIntegrado = 0;

    Table wwTableNomAsg{"wwTableNomAsg"};      // ASIGNOMT, exclusive
    Table wwTableNomAsg_2{"wwTableNomAsg_2"};  // ASIGNOMT2, exclusive
    Table wwTableProfesor{"wwTableProfesor"};  // PROFT, shared
    Table wwTableTramos{"wwTableTramos"};      // DIASHORAST, exclusive
    Table wwTableAulas{"wwTableAulas"};        // AULAT, exclusive
    Table wwTableGrupos{"wwTableGrupos"};      // GRUPOST, exclusive
    Table wwTableAsig{"wwTableAsig"};          // ASIGT, exclusive
    Table wwTableSoluc{"wwTableSoluc"};        // SOLUC, exclusive
    Table wwTableCursos{"wwTableCursos"};      // CURSOST, exclusive
    Table wwTableNIVELEX{"wwTableNIVELEX"};    // NIVELCAN.dbf, shared
};

}  // namespace qv
