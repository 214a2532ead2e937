#pragma once

#include <functional>
#include <string>

#include "import/PrimeraFilaPorClave.h"
#include "services/Session.h"
#include "services/XmlDocument.h"

namespace qv {

// FECINI and FECFIN of the first PERIODOS row, as stored (ANSI).
struct Periodo {
    std::string fecIni;
    std::string fecFin;
};

// What the caller hears while the timetables are written, so that it can save them as they come:
// once the HORARIOS_REGULARES group is in place with its count, and after each teacher's record
// is complete (the record is not touched again).
struct AvisosHorarios {
    std::function<void(XmlNode horarios)> grupoCreado;
    std::function<void(XmlNode profesor)> profesorCompleto;
};

// Appends HORARIOS_REGULARES to BLOQUEDATOS: one record per PROFT row, with one nested record
// per SOLUC row of that teacher whose DIA is not 0, its keys looked up in ASIGT, ASIGNOMT,
// DIASHORAST, GRUPOST and ASIGNOMT2. Uses the session's table objects, which must be open.
// Table, XML and conversion errors propagate.
void TraspasarHorarios(XmlDocument& doc, XmlNode bloqueDatos, Session& tablas,
                       const Periodo& periodo, const AvisosHorarios& avisos = {});

}  // namespace qv
