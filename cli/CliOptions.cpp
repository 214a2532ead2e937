#include "cli/CliOptions.h"

namespace qv::cli {

std::optional<CliOptions> parseCliOptions(const std::vector<std::string>& arguments) {
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        return CliOptions{};
    }
    if (arguments.empty()) {
        return std::nullopt;
    }
    CliOptions options;
    if (arguments[0] == "exportar") {
        options.action = CliOptions::Action::exportar;
    } else if (arguments[0] == "importar") {
        options.action = CliOptions::Action::importar;
    } else {
        return std::nullopt;
    }
    bool haveFile = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--plantilla" && options.action == CliOptions::Action::exportar &&
            !options.plantilla && i + 1 < arguments.size()) {
            options.plantilla = arguments[++i];
        } else if (!haveFile && !a.empty() && a[0] != '-') {
            options.file = a;
            haveFile = true;
        } else {
            return std::nullopt;
        }
    }
    if (!haveFile) {
        return std::nullopt;
    }
    return options;
}

std::string usageText() {
    return "Uso:\n"
           "  quorvane-cli exportar ARCHIVO.xml [--plantilla CLAVE]\n"
           "  quorvane-cli importar ARCHIVO.xml\n"
           "  quorvane-cli --help\n"
           "\n"
           "exportar  rehace las tablas de Velkorin en la carpeta de trabajo a partir del\n"
           "          documento de intercambio ARCHIVO.xml. Si el documento tiene más de una\n"
           "          jornada escolar, --plantilla CLAVE elige la plantilla horaria; sin ella se\n"
           "          usa la primera jornada del documento.\n"
           "importar  escribe ResultadoVelkor<ARCHIVO>.xml junto a ARCHIVO.xml con los horarios\n"
           "          que Velkorin dejó en la carpeta de trabajo.\n"
           "\n"
           "Carpeta de trabajo: $WINEPREFIX/drive_c/VTEMP (WINEPREFIX vale ~/.wine por omisión).\n"
           "NIVELCAN.DBF se busca junto a este programa.\n"
           "Los mensajes del proceso salen por la salida estándar y los errores por la salida\n"
           "de errores. El estado de salida es 0 solo si el proceso terminó con\n"
           "\"Proceso finalizado\".\n";
}

}  // namespace qv::cli
