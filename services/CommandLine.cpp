#include "services/CommandLine.h"

#include "services/Text.h"

namespace qv {

CommandLine::CommandLine(std::vector<std::string> arguments) : m_arguments(std::move(arguments)) {}

std::string CommandLine::directionWord() const {
    return asksForEmbedding() ? lowerAZ(m_arguments[0]) : std::string();
}

std::int32_t CommandLine::hostWindow() const {
    return toInteger("$" + (count() >= 2 ? m_arguments[1] : std::string()));
}

}  // namespace qv
