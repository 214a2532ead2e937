#pragma once

#include <string>
#include <string_view>

namespace qv {

// A time text hh:mm (or h:mm) as minutes after midnight, in decimal: "08:30" and "8:30" give
// "510", "" gives "0". Hours are the first two characters, minutes the last two; either not
// being a whole number throws ConversionError ("8:5" fails on ":5").
std::string HoraAMinutos(std::string_view hora);

}  // namespace qv
