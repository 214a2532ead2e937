#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "help/HelpSystem.h"
#include "help/HtmlHelpBackEnd.h"

// The help viewer of the program: serves every help request with compiled HTML help.
namespace qv::help {

// True when the name ends, from its last ".", in ".chm" (letter case of A to Z ignored).
bool isCompiledHelpFile(const std::string& name);

// The help file to use: the request's, else the application's; a bare name gets the
// program folder in front of it.
std::string resolveHelpFile(const std::string& requestFile, const std::string& applicationFile,
                            const std::string& programFolder);

class TQelHtmlHelpViewer : public ExtendedHelpViewer, public HelpSelector {
public:
    // backEnd may be null (no HTML Help on this system); applicationHelpFile answers the
    // application's current help file; programFolder is the executable's folder.
    TQelHtmlHelpViewer(std::unique_ptr<HtmlHelpBackEnd> backEnd,
                       std::function<std::string()> applicationHelpFile, std::string programFolder);
    ~TQelHtmlHelpViewer() override;

    // Keeps the manager the help system handed back at registration (null: none).
    void setHelpManager(HelpManager* manager);
    // The help manager; null before registration and after shut-down.
    HelpManager* helpManager() const { return m_helpManager; }
    // The ID the help system gave the viewer.
    int viewerId() const { return m_viewerId; }
    // The help file the next request would use.
    std::string currentHelpFile() const;

    // "QelHtmlHelp".
    std::string viewerName() const override;
    // 1 when the current help file is a compiled one; the keyword is not looked at.
    int understandsKeyword(const std::string& keyword) override;
    // The single entry "QelHtmlHelp: KEYWORD".
    std::vector<std::string> helpStrings(const std::string& keyword) override;
    // Always true.
    bool canShowTableOfContents() override;
    // HH_DISPLAY_TOC on the current help file, when it is a compiled one.
    void showTableOfContents() override;
    // HH_DISPLAY_INDEX at the help string's text after its first ":", trimmed.
    void showHelp(const std::string& helpString) override;
    // Keeps the ID.
    void notifyId(int viewerId) override;
    // HH_CLOSE_ALL.
    void softShutDown() override;
    // Soft shut-down, then lets go of the help manager.
    void shutDown() override;

    // Whether the current help file is a compiled one; the topic is not looked at.
    bool understandsTopic(const std::string& topic) override;
    // HH_DISPLAY_TOPIC on FILE::/TOPIC, ".htm" appended unless the topic ends in .htm/.html.
    void displayTopic(const std::string& topic) override;
    // Whether helpFile (not the current help file) is a compiled one.
    bool understandsContext(int context, const std::string& helpFile) override;
    // HH_HELP_CONTEXT on the current help file with the context as data.
    void displayHelpByContext(int context, const std::string& helpFile) override;

    // The first help string whose text before its first ":" is the viewer's name; 0 if none.
    int selectKeyword(const std::vector<std::string>& helpStrings) override;
    // The position of the viewer's name in the list; -1 when absent.
    int tableOfContents(const std::vector<std::string>& viewerNames) override;

private:
    void htmlHelp(const std::string& file, unsigned command, const HtmlHelpData& data);

    int m_viewerId = 0;
    std::string m_viewerName = "QelHtmlHelp";
    std::unique_ptr<HtmlHelpBackEnd> m_backEnd;
    HelpManager* m_helpManager = nullptr;
    std::string m_defaultExtension = ".htm";
    std::function<std::string()> m_applicationHelpFile;
    std::string m_programFolder;
};

// Answers no to everything, so that a WinHelp viewer declines every request.
class TQelWinHelpTester : public WinHelpTester {
public:
    // False.
    bool canShowALink(const std::string& link, const std::string& fileName) override;
    // False.
    bool canShowTopic(const std::string& topic, const std::string& fileName) override;
    // False.
    bool canShowContext(int context, const std::string& fileName) override;
    // The single entry ": LINK".
    std::vector<std::string> helpStrings(const std::string& link) override;
    // Empty.
    std::string helpPath() override;
    // Empty.
    std::string defaultHelpFile(const std::string& name) override;
};

// Registers a new viewer with the help system, makes it the selector and installs a
// TQelWinHelpTester. Returns the viewer, which holds its help manager.
std::shared_ptr<TQelHtmlHelpViewer> registerQelHtmlHelp(HelpSystem& system,
                                                        std::unique_ptr<HtmlHelpBackEnd> backEnd,
                                                        std::string programFolder);

// Tells the viewer's manager to release it and drops the reference.
void unregisterQelHtmlHelp(TQelHtmlHelpViewer& viewer);

}  // namespace qv::help
