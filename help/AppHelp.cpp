#include "help/AppHelp.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include "help/HelpContexts.h"
#include "help/HelpSystem.h"
#include "help/QelHtmlHelp.h"

#ifdef _WIN32
#include "help/WinHtmlHelpBackEnd.h"
#else
#include "help/ChmHelpBackEnd.h"
#endif

namespace qv::help {

namespace {

// The program's help system with the viewer registered. Lives as long as the application
// object; its help windows close when the event loop ends.
class InstalledHelp : public QObject {
public:
    explicit InstalledHelp(QObject* application) : QObject(application) {
        std::unique_ptr<HtmlHelpBackEnd> backEnd;
#ifdef _WIN32
        backEnd = std::make_unique<WinHtmlHelpBackEnd>();
#else
        backEnd = std::make_unique<ChmHelpBackEnd>();
#endif
        m_viewer = registerQelHtmlHelp(m_system, std::move(backEnd),
                                       QCoreApplication::applicationDirPath().toStdString());
        m_system.setApplicationHelpFile(kHelpFileName);
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                [this] { m_viewer->softShutDown(); });
    }
    ~InstalledHelp() override {
        unregisterQelHtmlHelp(*m_viewer);
        m_system.shutDown();
    }

    HelpSystem& system() {
        return m_system;
    }
    TQelHtmlHelpViewer& viewer() {
        return *m_viewer;
    }

private:
    HelpSystem m_system;
    std::shared_ptr<TQelHtmlHelpViewer> m_viewer;
};

QPointer<InstalledHelp> g_installed;

InstalledHelp* installed() {
    if (!g_installed && QCoreApplication::instance()) {
        g_installed = new InstalledHelp(QCoreApplication::instance());
    }
    return g_installed.data();
}

WindowHandle handleOf(QWidget* owner) {
    if (!owner) {
        return 0;
    }
#ifdef _WIN32
    return static_cast<WindowHandle>(owner->window()->winId());
#else
    return ChmHelpBackEnd::handleOf(owner);
#endif
}

}  // namespace

void showContents(QWidget* owner) {
    if (InstalledHelp* help = installed()) {
        // The help button sets the help file again, then asks for the contents.
        help->system().setApplicationHelpFile(kHelpFileName);
        help->system().showTableOfContents(handleOf(owner));
    }
}

void showContext(QWidget* owner, int context) {
    if (InstalledHelp* help = installed()) {
        help->system().showContext(handleOf(owner), context);
    }
}

void closeAll() {
    if (g_installed) {
        g_installed->viewer().softShutDown();
    }
}

}  // namespace qv::help
