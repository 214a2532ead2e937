#include "help/HelpContexts.h"

#include <algorithm>
#include <cctype>

namespace qv::help {

namespace {

std::string fileNameOf(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool sameIgnoringAZCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

}  // namespace

std::optional<std::string> topicForContext(const std::string& helpFile, int context) {
    if (!sameIgnoringAZCase(fileNameOf(helpFile), kHelpFileName)) {
        return std::nullopt;
    }
    // Keep in step with [ALIAS] in help/ondivia/ondivia.hhp (a test checks both agree).
    switch (context) {
        case kContextDatosProfesores:
            return std::string("datos_profesores.htm");
        case kContextVentanaPrincipal:
            return std::string("ventana_principal.htm");
        default:
            return std::nullopt;
    }
}

}  // namespace qv::help
