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

namespace {

std::optional<unsigned char> toWindows1252(char32_t code) {
    static const char16_t kHigh[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
        return static_cast<unsigned char>(code);
    }
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] != 0 && kHigh[i] == code) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return std::nullopt;
}

std::optional<std::string> utf8ToWindows1252(const std::string& in) {
    std::string out;
    for (std::size_t i = 0; i < in.size();) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        char32_t code = 0;
        std::size_t extra = 0;
        if (c < 0x80) {
            code = c;
        } else if ((c >> 5) == 0x6) {
            code = c & 0x1F;
            extra = 1;
        } else if ((c >> 4) == 0xE) {
            code = c & 0x0F;
            extra = 2;
        } else {
            return std::nullopt;
        }
        if (extra > 0 && i + extra >= in.size()) {
            return std::nullopt;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(in[i + k]);
            if ((next & 0xC0) != 0x80) {
                return std::nullopt;
            }
            code = (code << 6) | (next & 0x3F);
        }
        std::optional<unsigned char> byte = toWindows1252(code);
        if (!byte) {
            return std::nullopt;
        }
        out += static_cast<char>(*byte);
        i += extra + 1;
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
