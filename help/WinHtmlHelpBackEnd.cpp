#ifdef _WIN32

#include "help/WinHtmlHelpBackEnd.h"

#include <windows.h>

#include "help/HelpContexts.h"

namespace qv::help {

namespace {

using HtmlHelpA = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

// Our texts are UTF-8; the control reads the ANSI code page.
std::string toAnsi(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    int wide =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring buffer(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), buffer.data(),
                        wide);
    int narrow = WideCharToMultiByte(CP_ACP, 0, buffer.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(narrow), '\0');
    WideCharToMultiByte(CP_ACP, 0, buffer.data(), wide, ansi.data(), narrow, nullptr, nullptr);
    return ansi;
}

}  // namespace

WinHtmlHelpBackEnd::WinHtmlHelpBackEnd() {
    HMODULE module = LoadLibraryA("HHCtrl.ocx");
    if (module) {
        m_module = module;
        m_entryPoint = reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpA"));
    }
}

WinHtmlHelpBackEnd::~WinHtmlHelpBackEnd() {
    m_entryPoint = nullptr;
    if (m_module) {
        FreeLibrary(static_cast<HMODULE>(m_module));
    }
}

bool WinHtmlHelpBackEnd::available() const {
    return m_entryPoint != nullptr;
}

void WinHtmlHelpBackEnd::htmlHelp(WindowHandle owner, const std::string& file, unsigned command,
                                  const HtmlHelpData& data) {
    if (!m_entryPoint) {
        return;
    }
    auto call = reinterpret_cast<HtmlHelpA>(m_entryPoint);
    HWND window = reinterpret_cast<HWND>(owner);
    std::string ansiFile = toAnsi(file);
    LPCSTR fileArgument = ansiFile.empty() ? nullptr : ansiFile.c_str();
    std::string text;
    DWORD_PTR value = 0;
    if (const std::string* keyword = std::get_if<std::string>(&data)) {
        text = toAnsi(*keyword);
        value = reinterpret_cast<DWORD_PTR>(text.c_str());
    } else {
        value = static_cast<DWORD_PTR>(std::get<std::uintptr_t>(data));
    }
    HWND shown = call(window, fileArgument, command, value);
    if (command == HH_HELP_CONTEXT && !shown) {
        // The compiler stores the map's topics under the build's folder, which the control
        // may not follow: open the topic by name instead.
        if (auto topic = topicForContext(file, static_cast<int>(value))) {
            std::string target = ansiFile + "::/" + *topic;
            call(window, target.c_str(), HH_DISPLAY_TOPIC, 0);
        }
    }
}

}  // namespace qv::help

#endif
