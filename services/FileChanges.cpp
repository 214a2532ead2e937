#include "services/FileChanges.h"

#include <map>

namespace qv {

namespace {

std::map<FileIdentity, std::uint64_t>& counters() {
    static std::map<FileIdentity, std::uint64_t> perFile;
    return perFile;
}

}  // namespace

std::uint64_t fileChangeCount(const FileIdentity& file) {
    auto found = counters().find(file);
    return found == counters().end() ? 0 : found->second;
}

void noteFileChange(const FileIdentity& file) {
    ++counters()[file];
}

}  // namespace qv
