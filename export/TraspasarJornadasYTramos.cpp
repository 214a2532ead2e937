#include "export/ExportSteps.h"

// Placeholder until the step is written.
namespace qv {

void TraspasarJornadasYTramos(Session&, UserPort&) {}

}  // namespace qv
