#include "export/CodigosUnicos.h"

#include <algorithm>
#include <array>

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

std::string AbreviaturasEmitidas::clave(std::string_view texto) {
    // sameTextIgnoringCase compares byte by byte through a folding of each byte: every byte is
    // replaced by the lowest byte it compares equal to.
    static const std::array<char, 256> kRepresentante = [] {
        std::array<char, 256> tabla{};
        for (int c = 0; c < 256; ++c) {
            const char byte = static_cast<char>(c);
            int d = 0;
            while (!sameTextIgnoringCase(std::string_view(&byte, 1),
                                         std::string(1, static_cast<char>(d)))) {
                ++d;
            }
            tabla[static_cast<std::size_t>(c)] = static_cast<char>(d);
        }
        return tabla;
    }();
    std::string k(texto);
    for (char& c : k) {
        c = kRepresentante[static_cast<unsigned char>(c)];
    }
    return k;
}

bool AbreviaturasEmitidas::contiene(std::string_view texto) const {
    return m_claves.contains(clave(texto));
}

void AbreviaturasEmitidas::agregar(std::string texto) {
    m_claves.insert(clave(texto));
}

}  // namespace qv
