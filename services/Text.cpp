#include "services/Text.h"

#include <array>
#include <cstdint>

#include "services/Error.h"

namespace qv {

namespace {

// Code points of Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves unassigned
// map to the C1 control of the same value, as Windows' own conversion does.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char32_t codePointOf(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kHighControls[byte - 0x80];
    }
    return byte;
}

// The Windows-1252 byte of a code point, or '?' when the code page lacks it.
char byteOf(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<char>(cp);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == cp) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at POS and advances past it. A broken, truncated, overlong or
// surrogate sequence gives false; POS then skips its lead byte and the continuation bytes that
// followed it, so each broken sequence counts once.
bool decodeUtf8(std::string_view s, std::size_t& pos, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    ++pos;
    int extra = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        cp = b0;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return false;
    }
    for (int k = 0; k < extra; ++k) {
        if (pos >= s.size() || (static_cast<unsigned char>(s[pos]) & 0xC0) != 0x80) {
            return false;
        }
        cp = (cp << 6) | (static_cast<unsigned char>(s[pos]) & 0x3F);
        ++pos;
    }
    return cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
}

bool isTrimmable(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// Windows-1252 letters folded to their capital form.
unsigned char foldCase(unsigned char c) {
    if (c >= 'a' && c <= 'z') {
        return static_cast<unsigned char>(c - 0x20);
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
        return static_cast<unsigned char>(c - 0x20);
    }
    switch (c) {
        case 0x9A:  // š
        case 0x9C:  // œ
        case 0x9E:  // ž
            return static_cast<unsigned char>(c - 0x10);
        case 0xFF:  // ÿ
            return 0x9F;
        default:
            return c;
    }
}

}  // namespace

std::string utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = 0;
        out += decodeUtf8(utf8, pos, cp) ? byteOf(cp) : '?';
    }
    return out;
}

std::string ansiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() * 2);
    for (char c : ansi) {
        appendUtf8(out, codePointOf(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string trimmed(std::string_view text) {
    return std::string(trimmedView(text));
}

std::string_view trimmedView(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isTrimmable(text[begin])) {
        ++begin;
    }
    while (end > begin && isTrimmable(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

bool isBlank(std::string_view text) {
    for (char c : text) {
        if (!isTrimmable(c)) {
            return false;
        }
    }
    return true;
}

std::string upperAZ(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

std::string lowerAZ(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool sameTextIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldCase(static_cast<unsigned char>(a[i])) !=
            foldCase(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

int toInteger(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    int base = 10;
    if (pos < text.size() && text[pos] == '$') {
        base = 16;
        ++pos;
    }
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t value = 0;
    const std::size_t firstDigit = pos;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            throw ConversionError(std::string(text));
        }
        value = value * base + digit;
        if (value > limit) {
            throw ConversionError(std::string(text));
        }
    }
    if (pos == firstDigit) {
        throw ConversionError(std::string(text));
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace qv
