#include "export/ExportSteps.h"

// Placeholder until the step is written.
namespace qv {

void TraspasarCursosYGrupos(Session&) {}

}  // namespace qv
