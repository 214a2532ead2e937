#include "help/QelHtmlHelp.h"

#include <algorithm>

#include "services/Text.h"

namespace qv::help {

namespace {

bool isFolderSeparator(char c) {
    return c == '/' || c == '\\' || c == ':';
}

// The extension of a file name: from its last "." after the last folder separator.
std::string extensionOf(const std::string& name) {
    for (std::size_t i = name.size(); i-- > 0;) {
        if (name[i] == '.') {
            return name.substr(i);
        }
        if (isFolderSeparator(name[i])) {
            break;
        }
    }
    return {};
}

}  // namespace

bool isCompiledHelpFile(const std::string& name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    return lowerAZ(name.substr(dot)) == ".chm";
}

std::string resolveHelpFile(const std::string& requestFile, const std::string& applicationFile,
                            const std::string& programFolder) {
    std::string file = requestFile.empty() ? applicationFile : requestFile;
    if (file.empty() || std::any_of(file.begin(), file.end(), isFolderSeparator)) {
        return file;
    }
    std::string folder = programFolder;
    if (!folder.empty() && !isFolderSeparator(folder.back())) {
#ifdef _WIN32
        folder += '\\';
#else
        folder += '/';
#endif
    }
    return folder + file;
}

TQelHtmlHelpViewer::TQelHtmlHelpViewer(std::unique_ptr<HtmlHelpBackEnd> backEnd,
                                       std::function<std::string()> applicationHelpFile,
                                       std::string programFolder)
    : m_backEnd(std::move(backEnd)),
      m_applicationHelpFile(std::move(applicationHelpFile)),
      m_programFolder(std::move(programFolder)) {}

TQelHtmlHelpViewer::~TQelHtmlHelpViewer() = default;

void TQelHtmlHelpViewer::setHelpManager(HelpManager* manager) {
    m_helpManager = manager;
}

std::string TQelHtmlHelpViewer::currentHelpFile() const {
    std::string request = m_helpManager ? m_helpManager->helpFile() : std::string();
    std::string application = m_applicationHelpFile ? m_applicationHelpFile() : std::string();
    return resolveHelpFile(request, application, m_programFolder);
}

std::string TQelHtmlHelpViewer::viewerName() const {
    return m_viewerName;
}

int TQelHtmlHelpViewer::understandsKeyword(const std::string&) {
    return isCompiledHelpFile(currentHelpFile()) ? 1 : 0;
}

std::vector<std::string> TQelHtmlHelpViewer::helpStrings(const std::string& keyword) {
    return {m_viewerName + ": " + keyword};
}

bool TQelHtmlHelpViewer::canShowTableOfContents() {
    return true;
}

void TQelHtmlHelpViewer::showTableOfContents() {
    std::string file = currentHelpFile();
    if (isCompiledHelpFile(file)) {
        htmlHelp(file, HH_DISPLAY_TOC, std::uintptr_t{0});
    }
}

void TQelHtmlHelpViewer::showHelp(const std::string& helpString) {
    std::string file = currentHelpFile();
    if (!isCompiledHelpFile(file)) {
        return;
    }
    std::size_t colon = helpString.find(':');
    std::string keyword = colon == std::string::npos ? helpString : helpString.substr(colon + 1);
    htmlHelp(file, HH_DISPLAY_INDEX, trimmed(keyword));
}

void TQelHtmlHelpViewer::notifyId(int viewerId) {
    m_viewerId = viewerId;
}

void TQelHtmlHelpViewer::softShutDown() {
    htmlHelp({}, HH_CLOSE_ALL, std::uintptr_t{0});
}

void TQelHtmlHelpViewer::shutDown() {
    softShutDown();
    m_helpManager = nullptr;
}

bool TQelHtmlHelpViewer::understandsTopic(const std::string&) {
    return isCompiledHelpFile(currentHelpFile());
}

void TQelHtmlHelpViewer::displayTopic(const std::string& topic) {
    std::string file = currentHelpFile();
    if (!isCompiledHelpFile(file)) {
        return;
    }
    std::string extension = lowerAZ(extensionOf(topic));
    std::string shown = topic;
    if (extension != ".htm" && extension != ".html") {
        shown += m_defaultExtension;
    }
    htmlHelp(file + "::/" + shown, HH_DISPLAY_TOPIC, std::uintptr_t{0});
}

bool TQelHtmlHelpViewer::understandsContext(int, const std::string& helpFile) {
    return isCompiledHelpFile(helpFile);
}

void TQelHtmlHelpViewer::displayHelpByContext(int context, const std::string&) {
    std::string file = currentHelpFile();
    if (isCompiledHelpFile(file)) {
        // Context numbers travel as the call's data, as HTML Help reads them (unsigned).
        htmlHelp(file, HH_HELP_CONTEXT,
                 static_cast<std::uintptr_t>(static_cast<unsigned>(context)));
    }
}

int TQelHtmlHelpViewer::selectKeyword(const std::vector<std::string>& helpStrings) {
    for (std::size_t i = 0; i < helpStrings.size(); ++i) {
        const std::string& entry = helpStrings[i];
        if (entry.substr(0, entry.find(':')) == m_viewerName) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

int TQelHtmlHelpViewer::tableOfContents(const std::vector<std::string>& viewerNames) {
    auto found = std::find(viewerNames.begin(), viewerNames.end(), m_viewerName);
    return found == viewerNames.end() ? -1 : static_cast<int>(found - viewerNames.begin());
}

void TQelHtmlHelpViewer::htmlHelp(const std::string& file, unsigned command,
                                  const HtmlHelpData& data) {
    if (!m_backEnd || !m_backEnd->available()) {
        return;
    }
    if (command == HH_CLOSE_ALL) {
        m_backEnd->htmlHelp(0, {}, command, data);
        return;
    }
    if (command == HH_GET_LAST_ERROR) {
        return;
    }
    WindowHandle owner = m_helpManager ? m_helpManager->handle() : 0;
    m_backEnd->htmlHelp(owner, file, command, data);
}

bool TQelWinHelpTester::canShowALink(const std::string&, const std::string&) {
    return false;
}

bool TQelWinHelpTester::canShowTopic(const std::string&, const std::string&) {
    return false;
}

bool TQelWinHelpTester::canShowContext(int, const std::string&) {
    return false;
}

std::vector<std::string> TQelWinHelpTester::helpStrings(const std::string& link) {
    return {": " + link};
}

std::string TQelWinHelpTester::helpPath() {
    return {};
}

std::string TQelWinHelpTester::defaultHelpFile(const std::string&) {
    return {};
}

std::shared_ptr<TQelHtmlHelpViewer> registerQelHtmlHelp(HelpSystem& system,
                                                        std::unique_ptr<HtmlHelpBackEnd> backEnd,
                                                        std::string programFolder) {
    auto viewer = std::make_shared<TQelHtmlHelpViewer>(
        std::move(backEnd), [&system] { return system.applicationHelpFile(); },
        std::move(programFolder));
    viewer->setHelpManager(&system.registerViewer(viewer));
    system.setSelector(viewer);
    system.setWinHelpTester(std::make_shared<TQelWinHelpTester>());
    return viewer;
}

void unregisterQelHtmlHelp(TQelHtmlHelpViewer& viewer) {
    if (HelpManager* manager = viewer.helpManager()) {
        viewer.setHelpManager(nullptr);
        manager->release(viewer.viewerId());
    }
}

}  // namespace qv::help
