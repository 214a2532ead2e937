#include <iostream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliPort.h"
#include "export/ExportRun.h"
#include "import/ImportRun.h"
#include "services/Paths.h"
#include "services/Session.h"

// quorvane-cli: the export and import runs without a window.
int main(int argc, char** argv) {
    using qv::cli::CliOptions;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::optional<CliOptions> options = qv::cli::parseCliOptions(arguments);
    if (!options) {
        std::cerr << qv::cli::usageText();
        return 2;
    }
    if (options->action == CliOptions::Action::help) {
        std::cout << qv::cli::usageText();
        return 0;
    }
    try {
        qv::Session session(qv::workFolder(), qv::programFolder());
        qv::cli::CliPort port(options->file, options->plantilla, session.carpetaTrabajo, std::cout);
        if (options->action == CliOptions::Action::exportar) {
            qv::BExportarClick(session, port);
        } else {
            qv::BImportarClick(session, port);
        }
        return port.lastMessage() == "Proceso finalizado" ? 0 : 1;
    } catch (const std::exception& e) {
        std::cout << std::flush;
        std::cerr << e.what() << '\n';
        return 1;
    }
}
