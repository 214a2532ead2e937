#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The program's help system: viewers register with it, and it routes the application's help
// requests (table of contents, help context) to them. Plain C++, no window toolkit.
namespace qv::help {

// The window that owns the help windows of a request. Opaque here: the back end that shows
// the help knows what it holds (a native window on Windows, a widget for the built-in viewer).
using WindowHandle = std::uintptr_t;

// What the help system offers a registered viewer.
class HelpManager {
public:
    virtual ~HelpManager() = default;
    // The window that owns the help windows of the request being served.
    virtual WindowHandle handle() const = 0;
    // The help file named by the request being served; empty when it names none.
    virtual std::string helpFile() const = 0;
    // Forgets the viewer with that ID; it receives no further requests.
    virtual void release(int viewerId) = 0;
};

// A help viewer as the help system sees it.
class CustomHelpViewer {
public:
    virtual ~CustomHelpViewer() = default;
    // The viewer's name, by which a selector tells viewers apart.
    virtual std::string viewerName() const = 0;
    // 1 when the viewer can show help for the keyword, 0 otherwise.
    virtual int understandsKeyword(const std::string& keyword) = 0;
    // The help strings the viewer offers for the keyword.
    virtual std::vector<std::string> helpStrings(const std::string& keyword) = 0;
    // True when the viewer can show a table of contents.
    virtual bool canShowTableOfContents() = 0;
    // Shows the table of contents of the current help file.
    virtual void showTableOfContents() = 0;
    // Shows the help that one of the viewer's help strings stands for.
    virtual void showHelp(const std::string& helpString) = 0;
    // Hands the viewer the ID the help system gave it.
    virtual void notifyId(int viewerId) = 0;
    // Closes every help window the viewer opened.
    virtual void softShutDown() = 0;
    // Closes the help windows and lets go of the help manager.
    virtual void shutDown() = 0;
};

// A viewer that also shows topics and help contexts.
class ExtendedHelpViewer : public CustomHelpViewer {
public:
    // True when the viewer can show the topic.
    virtual bool understandsTopic(const std::string& topic) = 0;
    // Shows the topic of the current help file.
    virtual void displayTopic(const std::string& topic) = 0;
    // True when the viewer can show a help context of that help file.
    virtual bool understandsContext(int context, const std::string& helpFile) = 0;
    // Shows the help context of the current help file.
    virtual void displayHelpByContext(int context, const std::string& helpFile) = 0;
};

// Picks one viewer when several could serve a request.
class HelpSelector {
public:
    virtual ~HelpSelector() = default;
    // The index of the help string to show.
    virtual int selectKeyword(const std::vector<std::string>& helpStrings) = 0;
    // The index of the viewer (by name, in the list given) that shows the table of contents.
    virtual int tableOfContents(const std::vector<std::string>& viewerNames) = 0;
};

// Asked by a WinHelp viewer whether it may show something.
class WinHelpTester {
public:
    virtual ~WinHelpTester() = default;
    // Whether a WinHelp viewer may show the link of that help file.
    virtual bool canShowALink(const std::string& link, const std::string& fileName) = 0;
    // Whether a WinHelp viewer may show the topic of that help file.
    virtual bool canShowTopic(const std::string& topic, const std::string& fileName) = 0;
    // Whether a WinHelp viewer may show the help context of that help file.
    virtual bool canShowContext(int context, const std::string& fileName) = 0;
    // The help strings for the link.
    virtual std::vector<std::string> helpStrings(const std::string& link) = 0;
    // The folder where WinHelp files are looked for.
    virtual std::string helpPath() = 0;
    // The WinHelp file used when a request names none.
    virtual std::string defaultHelpFile(const std::string& name) = 0;
};

// Registration and routing. One instance serves the whole program.
class HelpSystem {
public:
    HelpSystem();
    ~HelpSystem();
    HelpSystem(const HelpSystem&) = delete;
    HelpSystem& operator=(const HelpSystem&) = delete;

    // Registers a viewer (kept alive until released) and hands back its manager.
    HelpManager& registerViewer(std::shared_ptr<CustomHelpViewer> viewer);
    // Makes the selector the one asked when several viewers could serve a request.
    void setSelector(std::shared_ptr<HelpSelector> selector);
    // Installs the tester a WinHelp viewer asks before showing anything.
    void setWinHelpTester(std::shared_ptr<WinHelpTester> tester);
    // The installed WinHelp tester; null when none.
    WinHelpTester* winHelpTester() const;

    // The application's help file (a bare name is looked for beside the executable).
    void setApplicationHelpFile(std::string file);
    // The application's current help file.
    const std::string& applicationHelpFile() const;

    // The table of contents, by the first viewer that can show one (the selector chooses
    // when several can). Nothing happens when no viewer can.
    void showTableOfContents(WindowHandle owner);
    // A help context of the help file (empty: the application's), by the first viewer in
    // registration order that understands it. Nothing happens when none does.
    void showContext(WindowHandle owner, int context, const std::string& helpFile = {});
    // Shuts every registered viewer down and releases it.
    void shutDown();

    // The number of viewers registered and not released.
    std::size_t viewerCount() const;

private:
    class Manager;
    struct Entry;
    std::vector<std::unique_ptr<Entry>> m_viewers;
    std::vector<std::unique_ptr<Entry>> m_released;  // kept until shut-down: viewers may
                                                     // still hold their manager
    std::shared_ptr<HelpSelector> m_selector;
    std::shared_ptr<WinHelpTester> m_tester;
    std::string m_applicationHelpFile;
    WindowHandle m_requestOwner = 0;
    std::string m_requestFile;
    int m_nextId = 1;

    friend class Manager;
};

}  // namespace qv::help
