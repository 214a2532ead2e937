#pragma once

#include <string>

namespace qv::bench {

// How many of each record a synthetic school has.
struct Tamano {
    std::string nombre;
    int profesores = 0;
    int materias = 0;  // subject records (one per subject and course)
    int unidades = 0;
    int tramos = 0;
    int filasSoluc = 0;
};

// The three sizes the benchmark measures: a school, ten and a hundred times it.
Tamano tamanoEscuela();
Tamano tamanoDistrito();
Tamano tamanoRegion();

// An exchange document of TAMANO in ISO-8859-1, shaped like the ones the school-management
// system writes: one school day, three units per course, rooms as many as units, subject names
// repeated over several courses, accented names.
std::string documentoSintetico(const Tamano& tamano);

}  // namespace qv::bench
