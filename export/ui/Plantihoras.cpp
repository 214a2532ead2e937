#include "export/ui/Plantihoras.h"

// Placeholder until the dialog is written.
namespace qv {

std::string elegirPlantilla(QWidget*, const std::filesystem::path&) { return {}; }

}  // namespace qv
