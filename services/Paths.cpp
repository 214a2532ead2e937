#include "services/Paths.h"

#include <cstdlib>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

#include "services/Text.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

#ifndef _WIN32
fs::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return pw->pw_dir;
    }
    return {};
}
#endif

}  // namespace

fs::path workFolder() {
#ifdef _WIN32
    return fs::path("C:\\VTEMP");
#else
    // Velkorin runs under Wine, where its C:\VTEMP is drive_c/VTEMP of the prefix.
    fs::path prefix;
    if (const char* wine = std::getenv("WINEPREFIX"); wine != nullptr && *wine != '\0') {
        prefix = wine;
    } else {
        prefix = homeFolder() / ".wine";
    }
    return prefix / "drive_c" / "VTEMP";
#endif
}

fs::path programFolder() {
#ifdef _WIN32
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            return {};
        }
        if (n < buffer.size()) {
            return fs::path(std::wstring(buffer.data(), n)).parent_path();
        }
        buffer.resize(buffer.size() * 2);
    }
#else
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return fs::current_path(ec);
    }
    return exe.parent_path();
#endif
}

fs::path findFile(const fs::path& folder, const std::string& name) {
    const fs::path exact = folder / name;
    std::error_code ec;
    if (fs::exists(exact, ec)) {
        return exact;
    }
    // On a case-sensitive file system another program may have written "Soluc.dbf" for SOLUC.
    // Of several candidates the first in name order wins, so the answer does not depend on the
    // order the directory lists them in.
    const std::string wanted = lowerAZ(name);
    fs::path best;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path candidate = it->path();
        if (lowerAZ(candidate.filename().string()) == wanted &&
            (best.empty() || candidate.filename() < best.filename())) {
            best = candidate;
        }
    }
    return best.empty() ? exact : best;
}

bool fileExists(const fs::path& path) {
    if (path.empty()) {
        return false;
    }
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

}  // namespace qv
