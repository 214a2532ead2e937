#pragma once

#include <optional>
#include <string>

// The help contexts of the program and the topics of ONDIVIA.chm that serve them. The help file
// carries the same map, but as written by its compiler some readers cannot follow it, so the
// program keeps its own copy.
namespace qv::help {

// The teacher data dialog.
inline constexpr int kContextDatosProfesores = 1;
// The main window.
inline constexpr int kContextVentanaPrincipal = 3;

// The file name of the program's help file.
inline constexpr const char* kHelpFileName = "ONDIVIA.chm";

// The topic (path inside the help file) of one of the program's help contexts in helpFile;
// nothing when helpFile is not ONDIVIA.chm or the context is not one of the program's.
std::optional<std::string> topicForContext(const std::string& helpFile, int context);

}  // namespace qv::help
