#include "help/ChmArchive.h"

#include <chm_lib.h>

#include <algorithm>
#include <cstring>

#include "services/Text.h"

namespace qv::help {

namespace {

std::string withLeadingSlash(std::string name) {
    if (name.empty() || name.front() != '/') {
        name.insert(name.begin(), '/');
    }
    return name;
}

std::uint32_t readLe32(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    }
    return value;
}

std::uint16_t readLe16(const std::string& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                      (static_cast<unsigned char>(bytes[offset + 1]) << 8));
}

// The NUL-terminated text at offset, or nothing when the offset is outside.
std::optional<std::string> stringAt(const std::string& table, std::size_t offset) {
    if (offset >= table.size()) {
        return std::nullopt;
    }
    std::size_t end = table.find('\0', offset);
    return table.substr(offset, end == std::string::npos ? std::string::npos : end - offset);
}

int collectTopic(chmFile*, chmUnitInfo* ui, void* context) {
    auto* topics = static_cast<std::vector<std::string>*>(context);
    std::string name = ui->path;
    bool internal = name.size() > 1 && (name[1] == '#' || name[1] == '$' || name[0] == ':');
    if (!internal && !name.empty() && name.back() != '/') {
        topics->push_back(name);
    }
    return CHM_ENUMERATOR_CONTINUE;
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        std::size_t extra = 0;
        if (c < 0x80) {
            extra = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
        } else {
            return false;
        }
        if (i + extra >= bytes.size() && extra > 0) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += extra + 1;
    }
    return true;
}

}  // namespace

std::unique_ptr<ChmArchive> ChmArchive::open(const std::string& path) {
    chmFile* file = chm_open(path.c_str());
    if (!file) {
        return nullptr;
    }
    return std::unique_ptr<ChmArchive>(new ChmArchive(path, file));
}

ChmArchive::ChmArchive(std::string path, chmFile* file) : m_path(std::move(path)), m_file(file) {}

ChmArchive::~ChmArchive() {
    chm_close(m_file);
}

bool ChmArchive::contains(const std::string& name) const {
    chmUnitInfo ui;
    std::string full = withLeadingSlash(name);
    return chm_resolve_object(m_file, full.c_str(), &ui) == CHM_RESOLVE_SUCCESS &&
           full.back() != '/';
}

std::optional<std::string> ChmArchive::read(const std::string& name) const {
    chmUnitInfo ui;
    std::string full = withLeadingSlash(name);
    if (chm_resolve_object(m_file, full.c_str(), &ui) != CHM_RESOLVE_SUCCESS) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(ui.length), '\0');
    if (ui.length == 0) {
        return bytes;
    }
    LONGINT64 got = chm_retrieve_object(m_file, &ui, reinterpret_cast<unsigned char*>(bytes.data()),
                                        0, static_cast<LONGINT64>(ui.length));
    if (got != static_cast<LONGINT64>(ui.length)) {
        return std::nullopt;
    }
    return bytes;
}

std::vector<std::string> ChmArchive::topics() const {
    std::vector<std::string> names;
    chm_enumerate(m_file, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, collectTopic, &names);
    return names;
}

std::vector<std::uint32_t> ChmArchive::contexts() const {
    std::vector<std::uint32_t> numbers;
    std::optional<std::string> ivb = read("/#IVB");
    if (!ivb || ivb->size() < 4) {
        return numbers;
    }
    std::size_t end = std::min<std::size_t>(ivb->size(), 4 + readLe32(*ivb, 0));
    for (std::size_t at = 4; at + 8 <= end; at += 8) {
        numbers.push_back(readLe32(*ivb, at));
    }
    return numbers;
}

std::optional<std::string> ChmArchive::topicForContext(std::uint32_t context) const {
    std::optional<std::string> ivb = read("/#IVB");
    std::optional<std::string> strings = read("/#STRINGS");
    if (!ivb || !strings || ivb->size() < 4) {
        return std::nullopt;
    }
    // #IVB: the byte length of the pairs, then (context, offset into #STRINGS) pairs.
    std::size_t end = std::min<std::size_t>(ivb->size(), 4 + readLe32(*ivb, 0));
    for (std::size_t at = 4; at + 8 <= end; at += 8) {
        if (readLe32(*ivb, at) != context) {
            continue;
        }
        std::optional<std::string> name = stringAt(*strings, readLe32(*ivb, at + 4));
        if (!name || name->empty()) {
            return std::nullopt;
        }
        std::string found = existingName(*name);
        if (found.empty()) {
            return std::nullopt;
        }
        return found;
    }
    return std::nullopt;
}

// The compiler may store the project's absolute path in front of the topic: drop leading
// folders until what is left names a file of the archive.
std::string ChmArchive::existingName(std::string name) const {
    std::replace(name.begin(), name.end(), '\\', '/');
    while (!name.empty()) {
        std::string candidate = name;
        while (!candidate.empty() && candidate.front() == '/') {
            candidate.erase(candidate.begin());
        }
        if (!candidate.empty() && contains(candidate)) {
            return candidate;
        }
        std::size_t slash = candidate.find('/');
        if (slash == std::string::npos) {
            return {};
        }
        name = candidate.substr(slash + 1);
    }
    return {};
}

std::string ChmArchive::systemEntry(unsigned code) const {
    std::optional<std::string> system = read("/#SYSTEM");
    if (!system) {
        return {};
    }
    // #SYSTEM: a version word, then (code, length, data) records.
    for (std::size_t at = 4; at + 4 <= system->size();) {
        unsigned entryCode = readLe16(*system, at);
        std::size_t length = readLe16(*system, at + 2);
        if (at + 4 + length > system->size()) {
            break;
        }
        if (entryCode == code) {
            std::string data = system->substr(at + 4, length);
            return data.substr(0, data.find('\0'));
        }
        at += 4 + length;
    }
    return {};
}

std::string ChmArchive::contentsFile() const {
    std::string name = systemEntry(0);
    if (name.empty()) {
        for (const std::string& topic : topics()) {
            if (lowerAZ(topic).ends_with(".hhc")) {
                return topic.substr(1);
            }
        }
    }
    return name;
}

std::string ChmArchive::indexFile() const {
    std::string name = systemEntry(1);
    if (name.empty()) {
        for (const std::string& topic : topics()) {
            if (lowerAZ(topic).ends_with(".hhk")) {
                return topic.substr(1);
            }
        }
    }
    return name;
}

std::string ChmArchive::defaultTopic() const {
    return systemEntry(2);
}

std::string ChmArchive::title() const {
    return systemEntry(3);
}

std::string helpTextToUtf8(std::string_view bytes) {
    return isValidUtf8(bytes) ? std::string(bytes) : ansiToUtf8(bytes);
}

std::string htmlToUtf8(std::string_view bytes) {
    // Only the head can hold the charset; look at its first few kilobytes.
    std::string head = lowerAZ(bytes.substr(0, std::min<std::size_t>(bytes.size(), 4096)));
    std::size_t charset = head.find("charset=");
    if (charset != std::string::npos) {
        std::string_view rest = std::string_view(head).substr(charset + 8);
        while (!rest.empty() && (rest.front() == '"' || rest.front() == '\'')) {
            rest.remove_prefix(1);
        }
        if (rest.starts_with("utf-8") && isValidUtf8(bytes)) {
            return std::string(bytes);
        }
        if (rest.starts_with("windows-1252") || rest.starts_with("iso-8859-1") ||
            rest.starts_with("latin1") || rest.starts_with("cp1252")) {
            return ansiToUtf8(bytes);
        }
    }
    return helpTextToUtf8(bytes);
}

}  // namespace qv::help
