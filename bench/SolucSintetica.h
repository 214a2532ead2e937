#pragma once

#include <filesystem>

namespace qv::bench {

// Writes CARPETA/SOLUC.DBF as the timetabling program would after placing FILAS lessons: a dBase
// III table (PROF, ASIG, CODGRUPO, TAREA, AULA text; DIA, HORA numbers) whose rows go to the
// teachers of PROFT in turn, each on the assignments of ASIGT, the slots of DIASHORAST and the
// rooms of AULAT that the export wrote there. One row in 25 is left unplaced (DIA 0), one in 3
// has a blank TAREA and one in 7 a blank AULA.
void escribirSolucSintetica(const std::filesystem::path& carpeta, int filas);

}  // namespace qv::bench
