#include "export/ExportSteps.h"

// Placeholder until the step is written.
namespace qv {

void TraspasarProfesores(Session&) {}

}  // namespace qv
