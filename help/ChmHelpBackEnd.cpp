#include "help/ChmHelpBackEnd.h"

#include <QCoreApplication>

#include "help/HelpContexts.h"

namespace qv::help {

namespace {

// "PATH::/TOPIC" → PATH and TOPIC (empty when there is no "::").
std::pair<std::string, std::string> splitFileAndTopic(const std::string& file) {
    std::size_t separator = file.find("::");
    if (separator == std::string::npos) {
        return {file, {}};
    }
    std::string topic = file.substr(separator + 2);
    while (!topic.empty() && (topic.front() == '/' || topic.front() == '\\')) {
        topic.erase(topic.begin());
    }
    return {file.substr(0, separator), topic};
}

// The topic of a help context: the file's own map first, then the program's own table.
std::optional<std::string> contextTopic(const ChmArchive& archive, std::uint32_t context) {
    if (std::optional<std::string> topic = archive.topicForContext(context)) {
        return topic;
    }
    std::optional<std::string> ours = topicForContext(archive.path(), static_cast<int>(context));
    if (ours && archive.contains(*ours)) {
        return ours;
    }
    return std::nullopt;
}

void present(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

ChmHelpBackEnd::ChmHelpBackEnd() = default;

ChmHelpBackEnd::~ChmHelpBackEnd() {
    // While the application is being torn down its widgets are no longer ours to delete.
    if (!QCoreApplication::closingDown()) {
        closeAll();
    }
}

bool ChmHelpBackEnd::available() const {
    return true;
}

WindowHandle ChmHelpBackEnd::handleOf(QWidget* owner) {
    return reinterpret_cast<WindowHandle>(owner);
}

void ChmHelpBackEnd::htmlHelp(WindowHandle owner, const std::string& file, unsigned command,
                              const HtmlHelpData& data) {
    if (command == HH_CLOSE_ALL) {
        closeAll();
        return;
    }
    auto [path, topic] = splitFileAndTopic(file);
    const std::uintptr_t* number = std::get_if<std::uintptr_t>(&data);
    switch (command) {
        case HH_DISPLAY_TOC:
            if (ChmViewerWindow* window = windowFor(owner, path)) {
                if (!topic.empty()) {
                    window->showTopic(topic);
                }
                window->showContents();
                present(window);
            }
            break;
        case HH_DISPLAY_TOPIC: {
            auto archive = ChmArchive::open(path);
            if (!archive || topic.empty() || !archive->contains(topic.substr(0, topic.find('#')))) {
                return;
            }
            if (ChmViewerWindow* window = windowFor(owner, path)) {
                window->showTopic(topic);
                present(window);
            }
            break;
        }
        case HH_DISPLAY_INDEX:
            if (ChmViewerWindow* window = windowFor(owner, path)) {
                const std::string* keyword = std::get_if<std::string>(&data);
                window->showIndex(keyword ? QString::fromStdString(*keyword) : QString());
                present(window);
            }
            break;
        case HH_HELP_CONTEXT: {
            if (!number) {
                return;
            }
            auto archive = ChmArchive::open(path);
            std::optional<std::string> target =
                archive ? contextTopic(*archive, static_cast<std::uint32_t>(*number))
                        : std::nullopt;
            if (!target) {
                return;
            }
            if (ChmViewerWindow* window = windowFor(owner, path)) {
                window->showTopic(*target);
                present(window);
            }
            break;
        }
        default:
            break;
    }
}

// The help window for that file and owner, opening the file when it is not the one shown;
// null when the file cannot be opened.
ChmViewerWindow* ChmHelpBackEnd::windowFor(WindowHandle owner, const std::string& path) {
    QWidget* ownerWindow = owner ? reinterpret_cast<QWidget*>(owner)->window() : nullptr;
    bool sameFile = m_window && m_window->archive() && m_window->archive()->path() == path;
    std::unique_ptr<ChmArchive> archive;
    if (!sameFile) {
        archive = ChmArchive::open(path);
        if (!archive) {
            return nullptr;
        }
    }
    if (!m_window) {
        m_window = new ChmViewerWindow(ownerWindow);
        m_window->setAttribute(Qt::WA_DeleteOnClose);
    } else if (m_window->parentWidget() != ownerWindow) {
        // A help window belongs to the window that asked, so a modal dialog does not block it.
        QRect geometry = m_window->geometry();
        m_window->setParent(ownerWindow, Qt::Window);
        m_window->setGeometry(geometry);
    }
    if (archive) {
        m_window->setArchive(std::move(archive));
    }
    return m_window.data();
}

void ChmHelpBackEnd::closeAll() {
    if (m_window) {
        delete m_window.data();
    }
}

}  // namespace qv::help
