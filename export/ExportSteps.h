#pragma once

#include "services/Session.h"
#include "services/UserPort.h"

// The seven steps of an export, in the order the run calls them. Each reads its record groups
// from session.DocumentoXML and recreates its tables in session.carpetaTrabajo.
namespace qv {

void TraspasarMaterias(Session& session);
void TraspasarActividades(Session& session);
void TraspasarProfesores(Session& session);
void TraspasarAulas(Session& session);
void TraspasarCursosYGrupos(Session& session);
void TraspasarAsignaciones(Session& session);
// Asks PORT for the hour template when the document holds more than one school day.
void TraspasarJornadasYTramos(Session& session, UserPort& port);

}  // namespace qv
