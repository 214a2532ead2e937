#include "import/HoraAMinutos.h"

#include "services/Text.h"

namespace qv {

std::string HoraAMinutos(std::string_view hora) {
    std::string texto(hora);
    // One leading zero only: "8:30" becomes "08:30", "5" becomes "05".
    if (texto.size() < 5) {
        texto.insert(texto.begin(), '0');
    }
    const std::string horas = texto.substr(0, 2);
    const std::string minutos = texto.size() > 2 ? texto.substr(texto.size() - 2) : texto;
    const long long total = static_cast<long long>(toInteger(horas)) * 60 + toInteger(minutos);
    return std::to_string(total);
}

}  // namespace qv
