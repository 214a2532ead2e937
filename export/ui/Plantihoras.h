#pragma once

#include <filesystem>
#include <string>

class QWidget;

namespace qv {

// Shows the hour template dialog over the exchange document at ARCHIVOXML, modally, owned by
// OWNER, and returns its PlantillaElegida (ANSI, trimmed), whichever way it was closed.
std::string elegirPlantilla(QWidget* owner, const std::filesystem::path& archivoXml);

}  // namespace qv
