#pragma once

#include "services/Session.h"
#include "services/UserPort.h"

namespace qv {

// The export run: choose the document, check that it and NIVELCAN.DBF exist, load it (a file
// that is not a well-formed exchange document ends the run with an error before the work folder
// is touched), create the work folder when missing, run the seven steps under the wait cursor
// into a staging folder whose files replace the work folder's only once all seven are done,
// then ResultadoTraspaso 1 and "Proceso finalizado". In embedded mode it closes the main window
// when the document is missing or the run completed. Errors propagate to the caller; a run that
// fails leaves every file of the work folder as it was.
void BExportarClick(Session& session, UserPort& port);

}  // namespace qv
