// Build tool: copies the help project's sources into the build tree, turning the UTF-8 text
// files into Windows-1252 (what compiled help readers expect of a Spanish help file) and
// their "charset=utf-8" into "charset=windows-1252". Other files are copied as they are.
// Usage: qv_help_source_copy SOURCE_DIR TARGET_DIR FILE...
// Fails, naming the file, on a character Windows-1252 lacks or on broken UTF-8.

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "services/Text.h"

namespace {

// Nothing may be lost on the way: a character the code page lacks, or broken UTF-8, comes back
// different from what went in.
std::optional<std::string> utf8ToWindows1252(const std::string& in) {
    std::string out = qv::utf8ToAnsi(in);
    if (qv::ansiToUtf8(out) != in) {
        return std::nullopt;
    }
    return out;
}

bool isText(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    for (char& c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return ext == ".htm" || ext == ".html" || ext == ".hhc" || ext == ".hhk" || ext == ".hhp" ||
           ext == ".css" || ext == ".h";
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
        text.replace(at, from.size(), to);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SOURCE_DIR TARGET_DIR FILE...\n", argv[0]);
        return 2;
    }
    std::filesystem::path source = argv[1];
    std::filesystem::path target = argv[2];
    for (int i = 3; i < argc; ++i) {
        std::filesystem::path from = source / argv[i];
        std::filesystem::path to = target / argv[i];
        std::ifstream in(from, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "%s: cannot read\n", from.string().c_str());
            return 1;
        }
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (isText(from)) {
            std::optional<std::string> converted = utf8ToWindows1252(bytes);
            if (!converted) {
                std::fprintf(stderr, "%s: not UTF-8 text that Windows-1252 can hold\n",
                             from.string().c_str());
                return 1;
            }
            bytes = *converted;
            replaceAll(bytes, "charset=utf-8", "charset=windows-1252");
            replaceAll(bytes, "charset=UTF-8", "charset=windows-1252");
        }
        std::filesystem::create_directories(to.parent_path());
        std::filesystem::path temporary = to;
        temporary += ".tmp";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            if (!out) {
                std::fprintf(stderr, "%s: cannot write\n", to.string().c_str());
                return 1;
            }
        }
        std::filesystem::rename(temporary, to);
    }
    return 0;
}
