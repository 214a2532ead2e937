#pragma once

#include <QPointer>

#include "help/ChmViewerWindow.h"
#include "help/HtmlHelpBackEnd.h"

namespace qv::help {

// The built-in back end: shows compiled help files in a ChmViewerWindow. The owner handle of a
// call is the QWidget* whose window the help window belongs to (0: none). A missing file, a
// topic the file lacks or an unknown context show nothing, silently.
class ChmHelpBackEnd : public HtmlHelpBackEnd {
public:
    ChmHelpBackEnd();
    ~ChmHelpBackEnd() override;

    // Always true: the built-in viewer is always there.
    bool available() const override;
    // Serves HH_DISPLAY_TOPIC, HH_DISPLAY_TOC, HH_DISPLAY_INDEX, HH_HELP_CONTEXT, HH_CLOSE_ALL.
    void htmlHelp(WindowHandle owner, const std::string& file, unsigned command,
                  const HtmlHelpData& data) override;

    // The help window; null while none is open.
    ChmViewerWindow* window() const { return m_window.data(); }
    // The widget handle of an owner, as htmlHelp expects it.
    static WindowHandle handleOf(QWidget* owner);

private:
    ChmViewerWindow* windowFor(WindowHandle owner, const std::string& path);
    void closeAll();

    QPointer<ChmViewerWindow> m_window;
};

}  // namespace qv::help
