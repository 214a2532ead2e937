#pragma once

#include <ctime>
#include <string>

namespace qv {

// The header's fecha: the date in the system's short date format, one blank, the time in its
// long time format. On Windows these are the user's locale formats; elsewhere the Spanish
// conventions the timetabling program's machines use, dd/mm/yyyy and H:mm:ss.
std::string fechaCabecera();

// The same for a given local time, in the Spanish conventions ("05/03/2027 9:07:02").
std::string fechaCabeceraEspanola(const std::tm& local);

}  // namespace qv
