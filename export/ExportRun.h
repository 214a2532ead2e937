#pragma once

#include "services/Session.h"
#include "services/UserPort.h"

namespace qv {

// The export run: choose the document, check it and NIVELCAN.DBF, load it, run the seven steps,
// "Proceso finalizado". Errors propagate to the caller.
void BExportarClick(Session& session, UserPort& port);

}  // namespace qv
