// The viewer's answers and the HTML Help calls it issues, through a recording back end.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "help/HelpSystem.h"
#include "help/QelHtmlHelp.h"

namespace qv::help {
namespace {

struct Call {
    WindowHandle owner;
    std::string file;
    unsigned command;
    HtmlHelpData data;
};

class RecordingBackEnd : public HtmlHelpBackEnd {
public:
    RecordingBackEnd(std::vector<Call>& calls, bool available)
        : m_calls(calls), m_available(available) {}
    bool available() const override { return m_available; }
    void htmlHelp(WindowHandle owner, const std::string& file, unsigned command,
                  const HtmlHelpData& data) override {
        m_calls.push_back({owner, file, command, data});
    }

private:
    std::vector<Call>& m_calls;
    bool m_available;
};

// A help manager whose request names a given file and owner.
class FakeManager : public HelpManager {
public:
    WindowHandle handle() const override { return owner; }
    std::string helpFile() const override { return file; }
    void release(int viewerId) override { released.push_back(viewerId); }

    WindowHandle owner = 0x77;
    std::string file;
    std::vector<int> released;
};

class ViewerTest : public ::testing::Test {
protected:
    std::unique_ptr<TQelHtmlHelpViewer> makeViewer(bool available = true) {
        auto viewer = std::make_unique<TQelHtmlHelpViewer>(
            std::make_unique<RecordingBackEnd>(calls, available),
            [this] { return applicationFile; }, "/opt/quorvane");
        viewer->setHelpManager(&manager);
        return viewer;
    }

    std::vector<Call> calls;
    FakeManager manager;
    std::string applicationFile = "ONDIVIA.chm";
};

TEST(CompiledHelpFile, TellsByTheLastExtension) {
    struct Case {
        const char* name;
        bool compiled;
    };
    const Case cases[] = {
        {"AYUDA.CHM", true},        {"ayuda.hlp", false},  {"ayuda", false},
        {"ONDIVIA.chm", true},      {"a.chm.bak", false},  {"/opt/dir.chm/ayuda", false},
        {"C:\\x\\Ayuda.cHm", true}, {"", false},           {".chm", true},
        {"ayuda.v2.chm", true},     {"ayuda.chm ", false}, {"ayuda.\xC3\x87HM", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isCompiledHelpFile(c.name), c.compiled) << c.name;
    }
}

TEST(CurrentHelpFile, RequestThenApplicationWithProgramFolderForBareNames) {
    struct Case {
        const char* request;
        const char* application;
        const char* expected;
    };
    const Case cases[] = {
        {"", "ONDIVIA.chm", "/opt/quorvane/ONDIVIA.chm"},
        {"OTRA.chm", "ONDIVIA.chm", "/opt/quorvane/OTRA.chm"},
        {"/srv/ayuda/OTRA.chm", "ONDIVIA.chm", "/srv/ayuda/OTRA.chm"},
        {"", "sub/ONDIVIA.chm", "sub/ONDIVIA.chm"},
        {"C:\\Ayuda\\A.chm", "", "C:\\Ayuda\\A.chm"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(resolveHelpFile(c.request, c.application, "/opt/quorvane"), c.expected)
            << c.request << " | " << c.application;
        EXPECT_EQ(resolveHelpFile(c.request, c.application, "/opt/quorvane/"), c.expected);
    }
}

TEST_F(ViewerTest, CurrentHelpFileAsksTheManagerFirst) {
    auto viewer = makeViewer();
    EXPECT_EQ(viewer->currentHelpFile(), "/opt/quorvane/ONDIVIA.chm");
    manager.file = "OTRA.chm";
    EXPECT_EQ(viewer->currentHelpFile(), "/opt/quorvane/OTRA.chm");
    viewer->setHelpManager(nullptr);
    EXPECT_EQ(viewer->currentHelpFile(), "/opt/quorvane/ONDIVIA.chm");
}

TEST_F(ViewerTest, Answers) {
    auto viewer = makeViewer();
    EXPECT_EQ(viewer->viewerName(), "QelHtmlHelp");
    EXPECT_EQ(viewer->helpStrings("importar"), std::vector<std::string>{"QelHtmlHelp: importar"});
    EXPECT_EQ(viewer->helpStrings(""), std::vector<std::string>{"QelHtmlHelp: "});
    EXPECT_TRUE(viewer->canShowTableOfContents());
    EXPECT_EQ(viewer->understandsKeyword("cualquiera"), 1);
    EXPECT_TRUE(viewer->understandsTopic("intro"));
    // The context question looks at the file named in the call, not the current one.
    EXPECT_TRUE(viewer->understandsContext(3, "AYUDA.CHM"));
    EXPECT_FALSE(viewer->understandsContext(3, "ayuda.hlp"));

    applicationFile = "ayuda.hlp";
    EXPECT_EQ(viewer->understandsKeyword("cualquiera"), 0);
    EXPECT_FALSE(viewer->understandsTopic("intro"));
    EXPECT_TRUE(viewer->canShowTableOfContents());
    EXPECT_TRUE(viewer->understandsContext(3, "ONDIVIA.chm"));
    EXPECT_TRUE(calls.empty());
}

TEST_F(ViewerTest, SelectKeyword) {
    auto viewer = makeViewer();
    struct Case {
        std::vector<std::string> strings;
        int expected;
    };
    const Case cases[] = {
        {{"QelHtmlHelp: importar", ": importar"}, 0},
        {{": importar", "QelHtmlHelp: importar"}, 1},
        {{": importar", "Otro: importar"}, 0},
        {{"WinHelp: a", "QelHtmlHelp"}, 1},
        {{"qelhtmlhelp: a", "QelHtmlHelp : a", "QelHtmlHelp:a"}, 2},
        {{}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(viewer->selectKeyword(c.strings), c.expected);
    }
}

TEST_F(ViewerTest, TableOfContentsPicksItsOwnName) {
    auto viewer = makeViewer();
    EXPECT_EQ(viewer->tableOfContents({"AAA", "QelHtmlHelp", "ZZZ"}), 1);
    EXPECT_EQ(viewer->tableOfContents({"QelHtmlHelp"}), 0);
    EXPECT_EQ(viewer->tableOfContents({"AAA", "WinHelp"}), -1);
}

TEST_F(ViewerTest, DisplayTopicAppendsTheDefaultExtension) {
    auto viewer = makeViewer();
    struct Case {
        const char* topic;
        const char* file;
    };
    const Case cases[] = {
        {"intro", "/opt/quorvane/ONDIVIA.chm::/intro.htm"},
        {"intro.HTML", "/opt/quorvane/ONDIVIA.chm::/intro.HTML"},
        {"intro.Htm", "/opt/quorvane/ONDIVIA.chm::/intro.Htm"},
        {"intro.txt", "/opt/quorvane/ONDIVIA.chm::/intro.txt.htm"},
        {"carpeta.htm/intro", "/opt/quorvane/ONDIVIA.chm::/carpeta.htm/intro.htm"},
    };
    for (const Case& c : cases) {
        calls.clear();
        viewer->displayTopic(c.topic);
        ASSERT_EQ(calls.size(), 1u) << c.topic;
        EXPECT_EQ(calls[0].command, HH_DISPLAY_TOPIC);
        EXPECT_EQ(calls[0].file, c.file);
        EXPECT_EQ(calls[0].owner, manager.owner);
        EXPECT_EQ(std::get<std::uintptr_t>(calls[0].data), 0u);
    }
}

TEST_F(ViewerTest, ShowHelpOpensTheIndexAtTheTextAfterTheColon) {
    auto viewer = makeViewer();
    struct Case {
        const char* helpString;
        const char* keyword;
    };
    const Case cases[] = {
        {"QelHtmlHelp:  importar ", "importar"},
        {"sin dos puntos", "sin dos puntos"},
        {"a: b: c", "b: c"},
        {"QelHtmlHelp:\t\r\n", ""},
    };
    for (const Case& c : cases) {
        calls.clear();
        viewer->showHelp(c.helpString);
        ASSERT_EQ(calls.size(), 1u) << c.helpString;
        EXPECT_EQ(calls[0].command, HH_DISPLAY_INDEX);
        EXPECT_EQ(calls[0].file, "/opt/quorvane/ONDIVIA.chm");
        EXPECT_EQ(std::get<std::string>(calls[0].data), c.keyword);
    }
}

TEST_F(ViewerTest, ContentsAndContextCalls) {
    auto viewer = makeViewer();
    viewer->showTableOfContents();
    viewer->displayHelpByContext(3, "OTRO.chm");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].command, HH_DISPLAY_TOC);
    EXPECT_EQ(calls[0].file, "/opt/quorvane/ONDIVIA.chm");
    EXPECT_EQ(std::get<std::uintptr_t>(calls[0].data), 0u);
    EXPECT_EQ(calls[1].command, HH_HELP_CONTEXT);
    // The context goes to the current help file, whatever file the call named.
    EXPECT_EQ(calls[1].file, "/opt/quorvane/ONDIVIA.chm");
    EXPECT_EQ(std::get<std::uintptr_t>(calls[1].data), 3u);
    EXPECT_EQ(calls[1].owner, manager.owner);
}

TEST_F(ViewerTest, NotACompiledHelpFileShowsNothing) {
    applicationFile = "ayuda.hlp";
    auto viewer = makeViewer();
    viewer->showTableOfContents();
    viewer->showHelp("QelHtmlHelp: importar");
    viewer->displayTopic("intro");
    viewer->displayHelpByContext(3, "ONDIVIA.chm");
    EXPECT_TRUE(calls.empty());
}

TEST_F(ViewerTest, WithoutTheControlNothingIsCalled) {
    auto viewer = makeViewer(false);
    viewer->showTableOfContents();
    viewer->displayTopic("intro");
    viewer->displayHelpByContext(3, "ONDIVIA.chm");
    viewer->showHelp("QelHtmlHelp: importar");
    viewer->shutDown();
    EXPECT_TRUE(calls.empty());
    // The questions are still answered by the file's name alone.
    EXPECT_EQ(viewer->understandsKeyword("x"), 1);
}

TEST_F(ViewerTest, ShutDownClosesEverythingAndDropsTheManager) {
    auto viewer = makeViewer();
    viewer->softShutDown();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, HH_CLOSE_ALL);
    EXPECT_EQ(calls[0].owner, 0u);
    EXPECT_EQ(calls[0].file, "");
    EXPECT_NE(viewer->helpManager(), nullptr);
    viewer->shutDown();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].command, HH_CLOSE_ALL);
    EXPECT_EQ(viewer->helpManager(), nullptr);
}

TEST(WinHelpTester, DeclinesEverything) {
    TQelWinHelpTester tester;
    EXPECT_FALSE(tester.canShowALink("importar", "ayuda.hlp"));
    EXPECT_FALSE(tester.canShowTopic("intro", "ayuda.hlp"));
    EXPECT_FALSE(tester.canShowContext(3, "ayuda.hlp"));
    EXPECT_EQ(tester.helpStrings("importar"), std::vector<std::string>{": importar"});
    EXPECT_EQ(tester.helpPath(), "");
    EXPECT_EQ(tester.defaultHelpFile("x"), "");
}

// Another viewer that can show contents, to see the selector at work.
class OtherViewer : public CustomHelpViewer {
public:
    std::string viewerName() const override { return "AAA"; }
    int understandsKeyword(const std::string&) override { return 1; }
    std::vector<std::string> helpStrings(const std::string& k) override { return {"AAA: " + k}; }
    bool canShowTableOfContents() override { return true; }
    void showTableOfContents() override { ++contentsShown; }
    void showHelp(const std::string&) override {}
    void notifyId(int) override {}
    void softShutDown() override {}
    void shutDown() override {}
    int contentsShown = 0;
};

TEST(HelpSystemRouting, RequestsReachTheViewer) {
    std::vector<Call> calls;
    HelpSystem system;
    auto other = std::make_shared<OtherViewer>();
    system.registerViewer(other);
    auto viewer = registerQelHtmlHelp(system, std::make_unique<RecordingBackEnd>(calls, true),
                                      "/opt/quorvane");
    system.setApplicationHelpFile("ONDIVIA.chm");
    ASSERT_NE(system.winHelpTester(), nullptr);
    EXPECT_FALSE(system.winHelpTester()->canShowContext(3, "ONDIVIA.chm"));

    // Two viewers can show contents: the selector (ours) picks ours from the sorted names.
    system.showTableOfContents(0x1234);
    EXPECT_EQ(other->contentsShown, 0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, HH_DISPLAY_TOC);
    EXPECT_EQ(calls[0].owner, 0x1234u);
    EXPECT_EQ(calls[0].file, "/opt/quorvane/ONDIVIA.chm");

    // F1: context 3 of the application's help file beside the executable.
    system.showContext(0x99, 3);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].command, HH_HELP_CONTEXT);
    EXPECT_EQ(calls[1].owner, 0x99u);
    EXPECT_EQ(calls[1].file, "/opt/quorvane/ONDIVIA.chm");
    EXPECT_EQ(std::get<std::uintptr_t>(calls[1].data), 3u);

    // A request that names a help file of another kind is declined.
    system.showContext(0x99, 3, "ayuda.hlp");
    EXPECT_EQ(calls.size(), 2u);

    // Unregistering: the manager releases the viewer, which then gets no more requests.
    unregisterQelHtmlHelp(*viewer);
    EXPECT_EQ(viewer->helpManager(), nullptr);
    EXPECT_EQ(system.viewerCount(), 1u);
    system.showContext(0x99, 1);
    EXPECT_EQ(calls.size(), 2u);
}

}  // namespace
}  // namespace qv::help
