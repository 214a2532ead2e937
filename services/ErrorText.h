#pragma once

#include <string>
#include <string_view>

namespace qv {

// The text the application's error handler shows for an error's text: a full stop is added when
// the last character's code is greater than that of '.' ("válido" gets one, "1)" does not).
std::string withFullStop(std::string_view text);

}  // namespace qv
