#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_set>

// The short codes the timetabling program names subjects, teachers, rooms and groups by: a code
// already issued in the run is numbered on a stem of its first characters until it is free.
namespace qv {

// Numbers codes on a stem: the code itself when free, otherwise its first stemLength
// characters followed by 1, 2, 3 ... (decimal, no leading zeros), the first candidate free.
// Remembers, per stem, the numbers already found taken; valid while what counts as taken only
// grows, which holds for every issued list of a step.
class NumeracionCodigos {
public:
    explicit NumeracionCodigos(std::size_t longitudRaiz);

    // The first free code for CODIGO, where OCUPADO answers whether a candidate is taken.
    std::string primeroLibre(const std::string& codigo,
                             const std::function<bool(const std::string&)>& ocupado);

private:
    std::size_t m_longitudRaiz;
    std::map<std::string, long long> m_ultimoOcupado;
};

// A code longer than four characters becomes its first two followed by its last two.
std::string acortarCodigo(const std::string& codigo);

// The issued abbreviations of one step (teachers, rooms, groups), compared without regard to
// letter case, accented letters folded too (sameTextIgnoringCase). ANSI.
class AbreviaturasEmitidas {
public:
    // True when an entry equals TEXT ignoring case.
    bool contiene(std::string_view texto) const;
    void agregar(std::string texto);

private:
    // Each entry by a key that two texts share exactly when sameTextIgnoringCase holds, so an
    // answer costs no scan of the entries.
    static std::string clave(std::string_view texto);
    std::unordered_set<std::string> m_claves;
};

}  // namespace qv
