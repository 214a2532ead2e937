#include "services/Error.h"

#include "services/Text.h"

namespace qv {

ConversionError::ConversionError(const std::string& text)
    : Error("'" + ansiToUtf8(text) + "' no es un valor entero válido"), m_text(text) {}

}  // namespace qv
