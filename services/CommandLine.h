#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

// The desktop program's arguments (the program name left out) and what they ask for. Exactly two
// arguments, a direction word and the host window's handle in hexadecimal, ask for the embedded
// mode; any other count means stand-alone, and the arguments are then ignored.
class CommandLine {
public:
    // ARGUMENTS in UTF-8, without the program name.
    explicit CommandLine(std::vector<std::string> arguments);

    int count() const { return static_cast<int>(m_arguments.size()); }
    // True with exactly two arguments.
    bool asksForEmbedding() const { return count() == 2; }
    // The first argument with only the letters A to Z lower-cased ("" when not embedding).
    std::string directionWord() const;
    // True when the direction word is "importar".
    bool asksForImport() const { return directionWord() == "importar"; }
    // True when the direction word is "exportar".
    bool asksForExport() const { return directionWord() == "exportar"; }
    // The host window's handle: "$" followed by the second argument, read as an integer.
    // Throws ConversionError ("'$xyz' no es un valor entero válido") when it is not hexadecimal.
    std::int32_t hostWindow() const;

private:
    std::vector<std::string> m_arguments;
};

}  // namespace qv
