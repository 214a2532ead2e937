#include "export/ExportSteps.h"

// Placeholder until the step is written.
namespace qv {

void TraspasarAulas(Session&) {}

}  // namespace qv
