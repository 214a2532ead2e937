#include "services/IniFile.h"

#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "services/Error.h"
#include "services/ReplacingFile.h"

namespace qv {

namespace {

// One line of the file, its ending kept apart so that untouched lines are written back as read.
struct Line {
    std::string text;
    std::string ending;
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos) {
            lines.push_back({std::string(text.substr(start)), ""});
            break;
        }
        std::size_t end = lf;
        if (end > start && text[end - 1] == '\r') {
            --end;
        }
        lines.push_back({std::string(text.substr(start, end - start)),
                         std::string(text.substr(end, lf + 1 - end))});
        start = lf + 1;
    }
    return lines;
}

std::string_view trimBlanks(std::string_view s) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Section and key names are ASCII in every file this tool writes; other bytes compare exactly.
bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view withoutBom(std::string_view s) {
    if (s.starts_with("\xEF\xBB\xBF")) {
        s.remove_prefix(3);
    }
    return s;
}

// The name of a section header line, or false when the line is not one.
bool sectionName(std::string_view line, std::string_view& name) {
    const std::string_view t = trimBlanks(withoutBom(line));
    if (t.empty() || t.front() != '[') {
        return false;
    }
    const std::size_t close = t.find(']');
    name = trimBlanks(t.substr(1, close == std::string_view::npos ? t.npos : close - 1));
    return true;
}

bool isComment(std::string_view line) {
    const std::string_view t = trimBlanks(line);
    return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// The key of a "key=value" line, or false when the line has none.
bool keyName(std::string_view line, std::string_view& name) {
    if (isComment(line)) {
        return false;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
        return false;
    }
    name = trimBlanks(line.substr(0, eq));
    return !name.empty();
}

std::string join(const std::vector<Line>& lines) {
    std::string out;
    for (const Line& l : lines) {
        out += l.text;
        out += l.ending;
    }
    return out;
}

std::string unableToWrite(const std::filesystem::path& path) {
    return "Unable to write to " + path.string();
}

}  // namespace

std::string iniWithValue(std::string_view text, std::string_view section, std::string_view key,
                         std::string_view value) {
    std::vector<Line> lines = splitLines(text);
    const std::string eol = (!lines.empty() && !lines.front().ending.empty()) ? lines.front().ending
                                                                              : std::string("\r\n");

    // The first section of that name is the one Windows reads and writes.
    std::size_t header = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view name;
        if (sectionName(lines[i].text, name) && sameName(name, section)) {
            header = i;
            break;
        }
    }

    if (header == lines.size()) {
        if (!lines.empty() && lines.back().ending.empty()) {
            lines.back().ending = eol;
        }
        lines.push_back({"[" + std::string(section) + "]", eol});
        lines.push_back({std::string(key) + "=" + std::string(value), eol});
        return join(lines);
    }

    std::size_t lastFilled = header;
    for (std::size_t i = header + 1; i < lines.size(); ++i) {
        std::string_view name;
        if (sectionName(lines[i].text, name)) {
            break;
        }
        if (keyName(lines[i].text, name) && sameName(name, key)) {
            // The key keeps its spelling in the file; only the value changes.
            lines[i].text = std::string(name) + "=" + std::string(value);
            return join(lines);
        }
        if (!trimBlanks(lines[i].text).empty()) {
            lastFilled = i;
        }
    }

    if (lines[lastFilled].ending.empty()) {
        lines[lastFilled].ending = eol;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastFilled) + 1,
                 {std::string(key) + "=" + std::string(value), eol});
    return join(lines);
}

void writeIniString(const std::filesystem::path& path, std::string_view section,
                    std::string_view key, std::string_view value) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::string old;
    if (fs::exists(path, ec)) {
        std::ifstream in(path, std::ios::binary);
        if (!in || fs::is_directory(path, ec)) {
            throw Error(unableToWrite(path));
        }
        old.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) {
            throw Error(unableToWrite(path));
        }
    }

    ReplacingFile file(path);
    if (!file.open() || !file.write(iniWithValue(old, section, key, value)) || !file.commit()) {
        throw Error(unableToWrite(path));
    }
}

void writeIniInteger(const std::filesystem::path& path, std::string_view section,
                     std::string_view key, int value) {
    writeIniString(path, section, key, std::to_string(value));
}

}  // namespace qv
