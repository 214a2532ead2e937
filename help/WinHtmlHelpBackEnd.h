#pragma once

#ifdef _WIN32

#include "help/HtmlHelpBackEnd.h"

namespace qv::help {

// The Windows HTML Help control, "HHCtrl.ocx" and its entry point "HtmlHelpA", loaded at run
// time. Without them every call does nothing. The owner handle of a call is an HWND.
class WinHtmlHelpBackEnd : public HtmlHelpBackEnd {
public:
    WinHtmlHelpBackEnd();
    ~WinHtmlHelpBackEnd() override;
    WinHtmlHelpBackEnd(const WinHtmlHelpBackEnd&) = delete;
    WinHtmlHelpBackEnd& operator=(const WinHtmlHelpBackEnd&) = delete;

    // True when the control and its entry point were found.
    bool available() const override;
    // Passes the call on; a context the file's own map cannot open is shown through the
    // program's own context table.
    void htmlHelp(WindowHandle owner, const std::string& file, unsigned command,
                  const HtmlHelpData& data) override;

private:
    void* m_module = nullptr;
    void* m_entryPoint = nullptr;
};

}  // namespace qv::help

#endif
