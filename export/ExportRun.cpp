#include "export/ExportRun.h"

#include "export/ExportSteps.h"

namespace qv {

void BExportarClick(Session&, UserPort&) {}

}  // namespace qv
