#include "import/MascaraPicture.h"

#include <cctype>
#include <stdexcept>

namespace qv {

MascaraPicture::MascaraPicture(std::string_view mascara) : m_texto(mascara) {
    bool repetir = false;
    for (std::size_t i = 0; i < mascara.size(); ++i) {
        const char c = mascara[i];
        Elemento e{Clase::Literal, c, repetir};
        switch (c) {
            case '*':
                if (repetir) {
                    throw std::invalid_argument("máscara con '**'");
                }
                repetir = true;
                continue;
            case '#':
                e.clase = Clase::Digito;
                break;
            case '?':
                e.clase = Clase::Letra;
                break;
            case '@':
                e.clase = Clase::Cualquiera;
                break;
            case ';':
                if (i + 1 == mascara.size()) {
                    throw std::invalid_argument("máscara que acaba en ';'");
                }
                e.literal = mascara[++i];
                break;
            case '&':
            case '!':
            case '[':
            case ']':
            case '{':
            case '}':
            case ',':
                throw std::invalid_argument("máscara no admitida: " + std::string(mascara));
            default:
                break;
        }
        m_elementos.push_back(e);
        repetir = false;
    }
    if (repetir) {
        throw std::invalid_argument("máscara que acaba en '*'");
    }
}

bool MascaraPicture::acepta(const Elemento& e, char c) const {
    const auto u = static_cast<unsigned char>(c);
    switch (e.clase) {
        case Clase::Digito:
            return c >= '0' && c <= '9';
        case Clase::Letra:
            return std::isalpha(u) != 0 || u >= 0xC0;
        case Clase::Cualquiera:
            return true;
        case Clase::Literal:
            return c == e.literal;
    }
    return false;
}

// A repeated element may be passed over without consuming anything.
void MascaraPicture::cerrar(Estados& estados) const {
    for (std::size_t i = 0; i < m_elementos.size(); ++i) {
        if (estados[i] && m_elementos[i].repetido) {
            estados[i + 1] = true;
        }
    }
}

MascaraPicture::Estados MascaraPicture::inicio() const {
    Estados estados(m_elementos.size() + 1, false);
    estados[0] = true;
    cerrar(estados);
    return estados;
}

MascaraPicture::Estados MascaraPicture::avanzar(const Estados& estados, char c) const {
    Estados siguientes(m_elementos.size() + 1, false);
    for (std::size_t i = 0; i < m_elementos.size(); ++i) {
        if (estados[i] && acepta(m_elementos[i], c)) {
            siguientes[m_elementos[i].repetido ? i : i + 1] = true;
        }
    }
    cerrar(siguientes);
    return siguientes;
}

static bool ninguno(const std::vector<bool>& estados) {
    for (bool e : estados) {
        if (e) {
            return false;
        }
    }
    return true;
}

bool MascaraPicture::cumple(std::string_view texto) const {
    Estados estados = inicio();
    for (char c : texto) {
        estados = avanzar(estados, c);
        if (ninguno(estados)) {
            return false;
        }
    }
    return estados.back();
}

std::optional<std::string> MascaraPicture::ajustar(std::string_view texto) const {
    std::string salida;
    Estados estados = inicio();
    for (char c : texto) {
        Estados siguientes = avanzar(estados, c);
        // Fill in the literals that stand between here and a place where C fits.
        std::string relleno;
        Estados tras = estados;
        while (ninguno(siguientes)) {
            std::size_t i = 0;
            while (i < m_elementos.size() && !(tras[i] && m_elementos[i].clase == Clase::Literal &&
                                               !m_elementos[i].repetido)) {
                ++i;
            }
            if (i == m_elementos.size()) {
                return std::nullopt;
            }
            relleno += m_elementos[i].literal;
            tras = avanzar(tras, m_elementos[i].literal);
            siguientes = avanzar(tras, c);
        }
        salida += relleno;
        salida += c;
        estados = std::move(siguientes);
    }
    return salida;
}

}  // namespace qv
