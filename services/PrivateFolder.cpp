#include "services/PrivateFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <map>

#include "services/FileChanges.h"

namespace qv {

namespace {

struct Registration {
    int holders = 0;
    std::optional<TableError> lost;
};

std::map<FileIdentity, Registration>& registry() {
    static std::map<FileIdentity, Registration> folders;
    return folders;
}

std::optional<FileIdentity> identityOf(const std::filesystem::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    return FileIdentity{info.st_dev, info.st_ino};
}

}  // namespace

PrivateFolder::PrivateFolder(const std::filesystem::path& folder) {
    const std::optional<FileIdentity> identity = identityOf(folder);
    if (!identity) {
        throw Error("No se puede usar la carpeta '" + folder.string() +
                    "': " + systemErrorText(errno));
    }
    m_identity = *identity;
    ++registry()[m_identity].holders;
}

PrivateFolder::~PrivateFolder() {
    auto found = registry().find(m_identity);
    if (found != registry().end() && --found->second.holders <= 0) {
        registry().erase(found);
    }
}

void PrivateFolder::writePending() {
    writePendingIn(m_identity);
    auto found = registry().find(m_identity);
    if (found != registry().end() && found->second.lost) {
        throw *found->second.lost;
    }
}

std::optional<FileIdentity> privateFolderIdentity(const std::filesystem::path& folder) {
    if (registry().empty()) {
        return std::nullopt;
    }
    const std::optional<FileIdentity> identity = identityOf(folder);
    if (!identity || registry().count(*identity) == 0) {
        return std::nullopt;
    }
    return identity;
}

void noteLostWrites(const FileIdentity& folder, const TableError& error) {
    auto found = registry().find(folder);
    if (found != registry().end() && !found->second.lost) {
        found->second.lost = error;
    }
}

}  // namespace qv
