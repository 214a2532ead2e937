#include "services/FileChanges.h"

#include <map>
#include <vector>

namespace qv {

namespace {

std::map<FileIdentity, std::uint64_t>& counters() {
    static std::map<FileIdentity, std::uint64_t> perFile;
    return perFile;
}

struct PendingWriter {
    FileIdentity file;
    FileIdentity folder;
    const void* owner = nullptr;
    std::function<void()> write;
};

// Few at a time: one per table being exported.
std::vector<PendingWriter>& pendingWriters() {
    static std::vector<PendingWriter> writers;
    return writers;
}

// A writer unregisters itself while writing, so the list is copied before running any.
void runWriters(const std::vector<PendingWriter>& chosen) {
    for (const PendingWriter& w : chosen) {
        w.write();
    }
}

}  // namespace

std::uint64_t fileChangeCount(const FileIdentity& file) {
    auto found = counters().find(file);
    return found == counters().end() ? 0 : found->second;
}

void noteFileChange(const FileIdentity& file) {
    ++counters()[file];
}

void notePendingWrites(const FileIdentity& file, const FileIdentity& folder, const void* owner,
                       std::function<void()> write) {
    for (PendingWriter& w : pendingWriters()) {
        if (w.owner == owner) {
            w = {file, folder, owner, std::move(write)};
            return;
        }
    }
    pendingWriters().push_back({file, folder, owner, std::move(write)});
}

void forgetPendingWrites(const void* owner) {
    auto& writers = pendingWriters();
    std::erase_if(writers, [&](const PendingWriter& w) { return w.owner == owner; });
}

void writePendingOf(const FileIdentity& file, const void* except) {
    if (pendingWriters().empty()) {
        return;
    }
    std::vector<PendingWriter> chosen;
    for (const PendingWriter& w : pendingWriters()) {
        if (w.file == file && w.owner != except) {
            chosen.push_back(w);
        }
    }
    runWriters(chosen);
}

void writePendingIn(const FileIdentity& folder) {
    std::vector<PendingWriter> chosen;
    for (const PendingWriter& w : pendingWriters()) {
        if (w.folder == folder) {
            chosen.push_back(w);
        }
    }
    runWriters(chosen);
}

}  // namespace qv
