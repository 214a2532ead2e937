#include "export/ui/Plantihoras.h"

#include "export/ui/TPlantillas.h"

namespace qv {

std::string elegirPlantilla(QWidget* owner, const std::filesystem::path& archivoXml) {
    TPlantillas plantillas(owner, archivoXml);
    plantillas.exec();
    return plantillas.PlantillaElegida;
}

}  // namespace qv
