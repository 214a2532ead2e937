#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// A picture mask in Paradox notation, the subset the teacher data dialog uses: '#' one digit,
// '?' one letter, '@' any character, '*' repeats the element after it any number of times
// (none included), ';' takes the next character literally; every other character is a literal.
class MascaraPicture {
public:
    // Throws std::invalid_argument for a mask this subset cannot read.
    explicit MascaraPicture(std::string_view mascara);

    const std::string& texto() const { return m_texto; }

    // True when the whole text matches the mask.
    bool cumple(std::string_view texto) const;

    // The text as typing leaves it: every character checked against the mask, literals the
    // person skipped filled in ("12031" with "##/##/####" gives "12/03/1"). Nothing when some
    // character can never fit, so the keystroke is refused.
    std::optional<std::string> ajustar(std::string_view texto) const;

private:
    enum class Clase { Digito, Letra, Cualquiera, Literal };
    struct Elemento {
        Clase clase;
        char literal;
        bool repetido;
    };
    using Estados = std::vector<bool>;  // one per element, plus the end

    bool acepta(const Elemento& e, char c) const;
    void cerrar(Estados& estados) const;
    Estados avanzar(const Estados& estados, char c) const;
    Estados inicio() const;

    std::string m_texto;
    std::vector<Elemento> m_elementos;
};

}  // namespace qv
