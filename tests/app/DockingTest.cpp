// Quorvane started by a host program under a real X server: docked into the host's window, run
// at once, answered from outside with the window manager's close request, result in Velkorin.ini.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

// Xlib after everything else: its macros (None, Bool, Status) clash with C++ headers.
#include <X11/Xlib.h>

namespace fs = std::filesystem;

namespace {

const char* const kCaption = "Exportar e importar datos entre Velkorin y Ondivia";

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string hex(Window w) {
    char text[32];
    std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(w));
    return text;
}

std::string output(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            out.append(buffer, n);
        }
        pclose(pipe);
    }
    return out;
}

bool waitFor(const std::function<bool()>& condition, int seconds = 20) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

class Docking : public testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr || *std::getenv("DISPLAY") == '\0') {
            GTEST_SKIP() << "no X server: scripts/test.sh runs the tests under xvfb-run";
        }
        if (output("command -v xwininfo").empty()) {
            GTEST_SKIP() << "xwininfo (x11-utils) is not installed";
        }
        // Windows of the other process come and go while we look: a vanished one is no error.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        m_display = XOpenDisplay(nullptr);
        ASSERT_NE(m_display, nullptr);
        std::string pattern = (fs::temp_directory_path() / "qv-docking-XXXXXX").string();
        m_root = mkdtemp(pattern.data());
        // A program folder of its own, so Velkorin.ini lands here and not in the build.
        fs::create_directories(programFolder());
        fs::copy_file(fs::path(TM_BIN_DIR) / "Quorvane", programFolder() / "Quorvane");
        fs::copy_file(fs::path(TM_BIN_DIR) / "NIVELCAN.DBF", programFolder() / "NIVELCAN.DBF");

        const int screen = DefaultScreen(m_display);
        m_host = XCreateSimpleWindow(m_display, RootWindow(m_display, screen), 10, 10, 700, 320, 0,
                                     BlackPixel(m_display, screen), WhitePixel(m_display, screen));
        XStoreName(m_display, m_host, "Velkorin");
        XMapWindow(m_display, m_host);
        XSync(m_display, False);
    }

    void TearDown() override {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_display != nullptr) {
            XDestroyWindow(m_display, m_host);
            XCloseDisplay(m_display);
        }
        std::error_code ec;
        if (!m_root.empty()) {
            fs::remove_all(m_root, ec);
        }
    }

    fs::path programFolder() const { return m_root / "programa"; }
    fs::path ini() const { return programFolder() / "Velkorin.ini"; }

    void start(const std::string& word, const std::string& handle) {
        const std::string program = (programFolder() / "Quorvane").string();
        std::vector<std::string> env = {
            std::string("DISPLAY=") + std::getenv("DISPLAY"), "QT_QPA_PLATFORM=xcb",
            "WINEPREFIX=" + (m_root / "wine").string(), "HOME=" + m_root.string(),
            "XDG_RUNTIME_DIR=" + m_root.string()};
        for (const char* kept : {"PATH", "XAUTHORITY"}) {
            if (const char* value = std::getenv(kept)) {
                env.push_back(std::string(kept) + "=" + value);
            }
        }
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        std::string a0 = program, a1 = word, a2 = handle;
        char* argv[] = {a0.data(), a1.data(), a2.data(), nullptr};
        ASSERT_EQ(posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv, envp.data()), 0);
    }

    // The exit status, or -1 when the program had to be killed.
    int waitForExit(int seconds = 20) {
        int status = 0;
        const bool exited =
            waitFor([&] { return waitpid(m_pid, &status, WNOHANG) == m_pid; }, seconds);
        if (!exited) {
            return -1;
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<Window> children(Window parent) {
        Window root, up, *list = nullptr;
        unsigned int n = 0;
        std::vector<Window> out;
        if (XQueryTree(m_display, parent, &root, &up, &list, &n)) {
            out.assign(list, list + n);
            XFree(list);
        }
        return out;
    }

    std::string name(Window w) {
        char* text = nullptr;
        std::string out;
        if (XFetchName(m_display, w, &text) && text != nullptr) {
            out = text;
            XFree(text);
        }
        return out;
    }

    bool viewable(Window w) {
        XWindowAttributes a;
        return XGetWindowAttributes(m_display, w, &a) && a.map_state == IsViewable;
    }

    // The process that made a window (_NET_WM_PID), or 0 when it does not say.
    long ownerPid(Window w) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        long pid = 0;
        if (XGetWindowProperty(m_display, w, XInternAtom(m_display, "_NET_WM_PID", False), 0, 1,
                               False, AnyPropertyType, &type, &format, &count, &after,
                               &data) == Success &&
            data != nullptr) {
            if (format == 32 && count == 1) {
                pid = *reinterpret_cast<long*>(data);
            }
            XFree(data);
        }
        return pid;
    }

    // A viewable window named NAME among PARENT's children that our Quorvane made, or 0; other
    // programs on the same X server cannot be mistaken for it.
    Window findViewable(Window parent, const std::string& wanted) {
        XSync(m_display, False);
        for (Window w : children(parent)) {
            if (name(w) == wanted && viewable(w) && ownerPid(w) == m_pid) {
                return w;
            }
        }
        return 0;
    }

    Window root() { return DefaultRootWindow(m_display); }

    // What xwininfo says about the host's window tree.
    std::string hostTree() { return output("xwininfo -tree -id 0x" + hex(m_host)); }

    bool dockedIntoHost() {
        return hostTree().find(std::string("\"") + kCaption + "\"") != std::string::npos;
    }

    // The window manager's close request (WM_DELETE_WINDOW), which every Qt window honours.
    void askToClose(Window w) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(m_display, w, False, NoEventMask, &e);
        XSync(m_display, False);
    }

    // Waits for a viewable top-level window named NAME and asks it to close.
    void closeTopLevel(const std::string& wanted) {
        Window w = 0;
        ASSERT_TRUE(waitFor([&] { return (w = findViewable(root(), wanted)) != 0; }))
            << "no window '" << wanted << "'";
        askToClose(w);
        waitFor([&] { return !viewable(w); }, 5);
    }

    Display* m_display = nullptr;
    Window m_host = 0;
    fs::path m_root;
    pid_t m_pid = -1;
};

TEST_F(Docking, UnknownWordDocksTheWindowAndClosingWritesZero) {
    start("ayuda", hex(m_host));
    ASSERT_TRUE(waitFor([&] { return dockedIntoHost(); })) << hostTree();
    Window ours = 0;
    ASSERT_TRUE(waitFor([&] { return (ours = findViewable(m_host, kCaption)) != 0; }));
    EXPECT_EQ(findViewable(root(), kCaption), 0u);  // not a top-level window
    // Borderless, at the host's top left corner, keeping its own size.
    EXPECT_NE(hostTree().find("632x266+0+0"), std::string::npos) << hostTree();
    askToClose(ours);
    EXPECT_EQ(waitForExit(), 0);
    EXPECT_EQ(readAll(ini()), "[Transformadores]\r\nTransformado=0\r\n");
}

TEST_F(Docking, EmbeddedExportWithoutDocumentWritesMinusOne) {
    start("EXPORTAR", hex(m_host));
    // The run starts at the first showing, before the docked window appears.
    Window dialog = 0;
    ASSERT_TRUE(waitFor([&] { return (dialog = findViewable(root(), "Archivo XML")) != 0; }));
    EXPECT_TRUE(dockedIntoHost()) << hostTree();
    EXPECT_EQ(findViewable(m_host, kCaption), 0u);
    askToClose(dialog);         // cancelled
    closeTopLevel("Quorvane");  // "No existe archivo"
    EXPECT_EQ(waitForExit(), 0);
    EXPECT_EQ(readAll(ini()), "[Transformadores]\r\nTransformado=-1\r\n");
}

TEST_F(Docking, HandleOfNoWindowIsReportedAndTheWindowStaysStandAlone) {
    start("exportar", "1FFFFF0");
    closeTopLevel("Quorvane");     // the error box
    closeTopLevel("Archivo XML");  // the export still starts: cancelled
    closeTopLevel("Quorvane");     // "No existe archivo"
    Window ours = 0;
    ASSERT_TRUE(waitFor([&] { return (ours = findViewable(root(), kCaption)) != 0; }));
    EXPECT_FALSE(dockedIntoHost());
    askToClose(ours);
    EXPECT_EQ(waitForExit(), 0);
    EXPECT_FALSE(fs::exists(ini()));
}

}  // namespace
