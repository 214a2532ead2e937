#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv::cli {

// What the command line asks for.
struct CliOptions {
    enum class Action { help, exportar, importar };
    Action action = Action::help;
    std::string file;                      // UTF-8, as given
    std::optional<std::string> plantilla;  // UTF-8, as given
};

// Reads ARGUMENTS (program name left out): "exportar FILE [--plantilla KEY]",
// "importar FILE" or "--help". Anything else gives nothing.
std::optional<CliOptions> parseCliOptions(const std::vector<std::string>& arguments);

// The text --help prints.
std::string usageText();

}  // namespace qv::cli
