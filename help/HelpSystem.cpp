#include "help/HelpSystem.h"

#include <algorithm>

namespace qv::help {

class HelpSystem::Manager : public HelpManager {
public:
    explicit Manager(HelpSystem& system) : m_system(system) {}
    WindowHandle handle() const override { return m_system.m_requestOwner; }
    std::string helpFile() const override { return m_system.m_requestFile; }
    void release(int viewerId) override {
        auto& viewers = m_system.m_viewers;
        auto found = std::find_if(viewers.begin(), viewers.end(),
                                  [viewerId](const auto& e) { return e->id == viewerId; });
        if (found != viewers.end()) {
            // The entry owns this manager: move it out so it dies after we return.
            m_system.m_released.push_back(std::move(*found));
            viewers.erase(found);
        }
    }

private:
    HelpSystem& m_system;
};

struct HelpSystem::Entry {
    int id = 0;
    std::shared_ptr<CustomHelpViewer> viewer;
    std::unique_ptr<Manager> manager;
};

namespace {

// Sets the request's owner and file for the length of one request.
class RequestScope {
public:
    RequestScope(WindowHandle& owner, std::string& file, WindowHandle newOwner, std::string newFile)
        : m_owner(owner), m_file(file) {
        m_owner = newOwner;
        m_file = std::move(newFile);
    }
    ~RequestScope() {
        m_owner = 0;
        m_file.clear();
    }
    RequestScope(const RequestScope&) = delete;
    RequestScope& operator=(const RequestScope&) = delete;

private:
    WindowHandle& m_owner;
    std::string& m_file;
};

}  // namespace

HelpSystem::HelpSystem() = default;

HelpSystem::~HelpSystem() {
    shutDown();
}

HelpManager& HelpSystem::registerViewer(std::shared_ptr<CustomHelpViewer> viewer) {
    auto entry = std::make_unique<Entry>();
    entry->id = m_nextId++;
    entry->viewer = std::move(viewer);
    entry->manager = std::make_unique<Manager>(*this);
    Entry& added = *entry;
    m_viewers.push_back(std::move(entry));
    added.viewer->notifyId(added.id);
    return *added.manager;
}

void HelpSystem::setSelector(std::shared_ptr<HelpSelector> selector) {
    m_selector = std::move(selector);
}

void HelpSystem::setWinHelpTester(std::shared_ptr<WinHelpTester> tester) {
    m_tester = std::move(tester);
}

WinHelpTester* HelpSystem::winHelpTester() const {
    return m_tester.get();
}

void HelpSystem::setApplicationHelpFile(std::string file) {
    m_applicationHelpFile = std::move(file);
}

const std::string& HelpSystem::applicationHelpFile() const {
    return m_applicationHelpFile;
}

void HelpSystem::showTableOfContents(WindowHandle owner) {
    RequestScope scope(m_requestOwner, m_requestFile, owner, {});
    std::vector<std::shared_ptr<CustomHelpViewer>> able;
    for (const auto& entry : m_viewers) {
        if (entry->viewer->canShowTableOfContents()) {
            able.push_back(entry->viewer);
        }
    }
    if (able.empty()) {
        return;
    }
    std::shared_ptr<CustomHelpViewer> chosen = able.front();
    if (able.size() > 1 && m_selector) {
        std::vector<std::string> names;
        for (const auto& viewer : able) {
            names.push_back(viewer->viewerName());
        }
        std::sort(names.begin(), names.end());
        int index = m_selector->tableOfContents(names);
        if (index < 0 || index >= static_cast<int>(names.size())) {
            return;
        }
        for (const auto& viewer : able) {
            if (viewer->viewerName() == names[index]) {
                chosen = viewer;
                break;
            }
        }
    }
    chosen->showTableOfContents();
}

void HelpSystem::showContext(WindowHandle owner, int context, const std::string& helpFile) {
    std::string file = helpFile.empty() ? m_applicationHelpFile : helpFile;
    RequestScope scope(m_requestOwner, m_requestFile, owner, file);
    // Copy: a viewer may release itself while it serves the request.
    std::vector<std::shared_ptr<CustomHelpViewer>> viewers;
    for (const auto& entry : m_viewers) {
        viewers.push_back(entry->viewer);
    }
    for (const auto& viewer : viewers) {
        auto* extended = dynamic_cast<ExtendedHelpViewer*>(viewer.get());
        if (extended && extended->understandsContext(context, file)) {
            extended->displayHelpByContext(context, file);
            return;
        }
    }
}

void HelpSystem::shutDown() {
    std::vector<std::shared_ptr<CustomHelpViewer>> viewers;
    for (const auto& entry : m_viewers) {
        viewers.push_back(entry->viewer);
    }
    for (const auto& viewer : viewers) {
        viewer->shutDown();
    }
    for (auto& entry : m_viewers) {
        m_released.push_back(std::move(entry));
    }
    m_viewers.clear();
    m_released.clear();
}

std::size_t HelpSystem::viewerCount() const {
    return m_viewers.size();
}

}  // namespace qv::help
