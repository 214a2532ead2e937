#pragma once

#include "services/Session.h"
#include "services/UserPort.h"

namespace qv {

// The import run: from SOLUC and the export's tables to ResultadoVelkor<name>.xml beside the
// chosen document. Errors propagate to the caller.
void BImportarClick(Session& session, UserPort& port);

}  // namespace qv
