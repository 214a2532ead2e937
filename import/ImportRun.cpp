#include "import/ImportRun.h"

#include "services/Error.h"

namespace qv {

// Placeholder until the import is written.
void BImportarClick(Session&, UserPort&) {
    throw Error("La importación aún no está disponible");
}

}  // namespace qv
