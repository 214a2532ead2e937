#include "import/FechaCabecera.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qv {

std::string fechaCabeceraEspanola(const std::tm& local) {
    char texto[64];
    std::snprintf(texto, sizeof texto, "%02d/%02d/%04d %d:%02d:%02d", local.tm_mday,
                  local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec);
    return texto;
}

#ifdef _WIN32
static std::string utf8De(const wchar_t* texto) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, texto, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) {
        return {};
    }
    std::string salida(static_cast<std::size_t>(n - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, texto, -1, salida.data(), n, nullptr, nullptr);
    return salida;
}

std::string fechaCabecera() {
    wchar_t fecha[128];
    wchar_t hora[128];
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, fecha, 128) == 0 ||
        GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, hora, 128) == 0) {
        const std::time_t ahora = std::time(nullptr);
        std::tm local{};
        localtime_s(&local, &ahora);
        return fechaCabeceraEspanola(local);
    }
    return utf8De(fecha) + " " + utf8De(hora);
}
#else
std::string fechaCabecera() {
    const std::time_t ahora = std::time(nullptr);
    std::tm local{};
    localtime_r(&ahora, &local);
    return fechaCabeceraEspanola(local);
}
#endif

}  // namespace qv
