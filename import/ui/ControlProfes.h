#pragma once

#include <filesystem>

class QWidget;

namespace qv {

// Shows the teacher data dialog over PROFT.DBF in CARPETATRABAJO, modally, owned by OWNER.
// Every posted row goes straight into the file.
void controlarProfesores(QWidget* owner, const std::filesystem::path& carpetaTrabajo);

}  // namespace qv
