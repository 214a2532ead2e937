#include "export/CodigosUnicos.h"

#include <algorithm>

#include "services/Text.h"

namespace qv {

NumeracionCodigos::NumeracionCodigos(std::size_t longitudRaiz) : m_longitudRaiz(longitudRaiz) {}

std::string NumeracionCodigos::primeroLibre(
    const std::string& codigo, const std::function<bool(const std::string&)>& ocupado) {
    if (!ocupado(codigo)) {
        return codigo;
    }
    const std::string raiz = codigo.substr(0, std::min(m_longitudRaiz, codigo.size()));
    // Numbers below the remembered one were taken and stay taken: start past them.
    long long& ultimoOcupado = m_ultimoOcupado[raiz];
    for (long long n = ultimoOcupado + 1;; ++n) {
        std::string candidato = raiz + std::to_string(n);
        if (!ocupado(candidato)) {
            ultimoOcupado = n - 1;
            return candidato;
        }
    }
}

std::string acortarCodigo(const std::string& codigo) {
    if (codigo.size() <= 4) {
        return codigo;
    }
    return codigo.substr(0, 2) + codigo.substr(codigo.size() - 2);
}

bool AbreviaturasEmitidas::contiene(std::string_view texto) const {
    return std::any_of(m_entradas.begin(), m_entradas.end(),
                       [&](const std::string& e) { return sameTextIgnoringCase(e, texto); });
}

void AbreviaturasEmitidas::agregar(std::string texto) {
    m_entradas.push_back(std::move(texto));
}

}  // namespace qv
