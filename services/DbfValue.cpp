#include "services/DbfValue.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace qv::dbf {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view text) {
    size_t begin = 0;
    while (begin < text.size() && (text[begin] == ' ' || text[begin] == '\0')) {
        ++begin;
    }
    size_t end = text.size();
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\0')) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::string withoutTrailingPad(std::string_view raw) {
    size_t end = raw.size();
    while (end > 0 && (raw[end - 1] == ' ' || raw[end - 1] == '\0')) {
        --end;
    }
    return std::string(raw.substr(0, end));
}

bool allZeroBytes(std::string_view raw) {
    for (char c : raw) {
        if (c != '\0') {
            return false;
        }
    }
    return true;
}

bool isBinaryKind(char type) {
    return type == 'I' || type == '+' || type == 'O' || type == '@';
}

std::uint64_t readLittleEndian(std::string_view raw) {
    std::uint64_t value = 0;
    for (size_t i = raw.size(); i > 0; --i) {
        value = value << 8 | static_cast<unsigned char>(raw[i - 1]);
    }
    return value;
}

std::string littleEndianBytes(std::uint64_t value, size_t width) {
    std::string bytes(width, '\0');
    for (size_t i = 0; i < width; ++i) {
        bytes[i] = static_cast<char>(value & 0xFF);
        value >>= 8;
    }
    return bytes;
}

std::string shortestTextOf(double value);

// Visual FoxPro binary fields.
std::string foxDisplay(const Field& field, std::string_view raw) {
    if (field.type == 'B') {
        std::uint64_t bits = readLittleEndian(raw);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return std::isfinite(value) ? shortestTextOf(value) : std::string();
    }
    auto bits = static_cast<std::uint32_t>(readLittleEndian(raw));
    std::int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return std::to_string(value);
}

std::uint64_t readBigEndian(std::string_view raw) {
    std::uint64_t value = 0;
    for (char c : raw) {
        value = value << 8 | static_cast<unsigned char>(c);
    }
    return value;
}

std::string bigEndianBytes(std::uint64_t value, size_t width) {
    std::string bytes(width, '\0');
    for (size_t i = 0; i < width; ++i) {
        bytes[width - 1 - i] = static_cast<char>(value & 0xFF);
        value >>= 8;
    }
    return bytes;
}

std::int32_t decodeLong(std::string_view raw) {
    auto bits = static_cast<std::uint32_t>(readBigEndian(raw)) ^ 0x80000000u;
    std::int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double decodeDouble(std::string_view raw) {
    std::uint64_t bits = readBigEndian(raw);
    bits = (bits & 0x8000000000000000ull) ? bits ^ 0x8000000000000000ull : ~bits;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string encodeDouble(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    bits = (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
    return bigEndianBytes(bits, 8);
}

// Shortest fixed-point text that reads back as the same double ("4", "2.5", "-0.125").
std::string shortestTextOf(double value) {
    if (value == 0) {
        return "0";
    }
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc{}) {
        return {};
    }
    return std::string(buffer, result.ptr);
}

std::string rightAligned(const std::string& text, int width) {
    return std::string(static_cast<size_t>(width) - text.size(), ' ') + text;
}

std::optional<double> parseDouble(std::string_view text) {
    auto plain = normalizedDecimal(text);
    if (!plain) {
        return std::nullopt;
    }
    double value = 0;
    auto result = std::from_chars(plain->data(), plain->data() + plain->size(), value);
    if (result.ec != std::errc{} || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

bool isNumeric(const Field& field) {
    return field.type == 'N' || field.type == 'F' || field.type == 'I' || field.type == '+' ||
           field.type == 'O';
}

std::optional<std::string> normalizedDecimal(std::string_view text) {
    text = trimBlanks(text);
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::string integerPart;
    std::string fraction;
    while (pos < text.size() && isDigit(text[pos])) {
        integerPart += text[pos++];
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && isDigit(text[pos])) {
            fraction += text[pos++];
        }
    }
    if (pos != text.size() || (integerPart.empty() && fraction.empty())) {
        return std::nullopt;
    }
    integerPart.erase(0, integerPart.find_first_not_of('0') == std::string::npos
                             ? integerPart.size()
                             : integerPart.find_first_not_of('0'));
    if (integerPart.empty()) {
        integerPart = "0";
    }
    fraction.erase(fraction.find_last_not_of('0') + 1);
    std::string result = integerPart;
    if (!fraction.empty()) {
        result += "." + fraction;
    }
    if (negative && result != "0") {
        result = "-" + result;
    }
    return result;
}

std::string displayText(const Field& field, std::string_view raw) {
    if (field.foxBinary && (field.type == 'I' || field.type == 'B')) {
        return foxDisplay(field, raw);
    }
    switch (field.type) {
        case 'C':
            return withoutTrailingPad(raw);
        case 'N':
        case 'F': {
            std::string_view text = trimBlanks(raw);
            if (text.empty() || text[0] == '*') {
                return {};
            }
            auto plain = normalizedDecimal(text);
            return plain ? *plain : std::string(text);
        }
        case 'I':
        case '+':
            return allZeroBytes(raw) ? std::string() : std::to_string(decodeLong(raw));
        case 'O':
            return allZeroBytes(raw) ? std::string() : shortestTextOf(decodeDouble(raw));
        case 'L':
            switch (raw.empty() ? ' ' : raw[0]) {
                case 'T':
                case 't':
                case 'Y':
                case 'y':
                    return "True";
                case 'F':
                case 'f':
                case 'N':
                case 'n':
                    return "False";
                default:
                    return {};
            }
        case 'D': {
            std::string_view text = trimBlanks(raw);
            return text.empty() || text == "00000000" ? std::string() : std::string(text);
        }
        case 'M':
        case 'B':
        case 'G':
        case '@':
            return {};  // memo, binary and timestamp contents are not read
        default:
            return withoutTrailingPad(raw);
    }
}

bool isBlank(const Field& field, std::string_view raw) {
    if (field.foxBinary && (field.type == 'I' || field.type == 'B')) {
        return false;  // FoxPro has no blank for these without its null flags
    }
    if (isBinaryKind(field.type)) {
        return allZeroBytes(raw);
    }
    if (field.type == 'L') {
        return displayText(field, raw).empty();
    }
    if (field.type == 'N' || field.type == 'F' || field.type == 'D') {
        return displayText(field, raw).empty();
    }
    return trimBlanks(raw).empty();
}

std::string blankBytes(const Field& field) {
    return std::string(static_cast<size_t>(field.width), isBinaryKind(field.type) ? '\0' : ' ');
}

std::optional<std::string> encodeNumber(const Field& field, double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    switch (field.type) {
        case 'N':
        case 'F': {
            char buffer[400];
            auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                        std::chars_format::fixed, field.decimals);
            if (result.ec != std::errc{}) {
                return std::nullopt;
            }
            std::string text(buffer, result.ptr);
            if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) {
                text.erase(0, 1);  // no "-0.00"
            }
            if (text.size() > static_cast<size_t>(field.width)) {
                return std::nullopt;
            }
            return rightAligned(text, field.width);
        }
        case 'I':
        case '+': {
            double rounded = std::round(value);
            if (rounded < -2147483647.0 || rounded > 2147483647.0) {
                return std::nullopt;
            }
            return encodeInteger(field, static_cast<long long>(rounded));
        }
        case 'O':
            return encodeDouble(value == 0 ? 0.0 : value);
        case 'C': {
            std::string text = shortestTextOf(value);
            if (text.empty() || text.size() > static_cast<size_t>(field.width)) {
                return std::nullopt;
            }
            return text + std::string(field.width - text.size(), ' ');
        }
        default:
            return std::nullopt;
    }
}

std::optional<std::string> encodeInteger(const Field& field, long long value) {
    switch (field.type) {
        case 'N':
        case 'F': {
            std::string text = std::to_string(value);
            if (field.decimals > 0) {
                text += "." + std::string(static_cast<size_t>(field.decimals), '0');
            }
            if (text.size() > static_cast<size_t>(field.width)) {
                return std::nullopt;
            }
            return rightAligned(text, field.width);
        }
        case 'I':
        case '+': {
            if (field.foxBinary) {
                if (value < -2147483648LL || value > 2147483647LL) {
                    return std::nullopt;
                }
                return littleEndianBytes(
                    static_cast<std::uint32_t>(static_cast<std::int32_t>(value)), 4);
            }
            // -2^31 would encode as four zero bytes, which reads back as blank.
            if (value < -2147483647LL || value > 2147483647LL) {
                return std::nullopt;
            }
            auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(value)) ^ 0x80000000u;
            return bigEndianBytes(bits, 4);
        }
        case 'O':
            return encodeDouble(static_cast<double>(value));
        case 'C': {
            std::string text = std::to_string(value);
            if (text.size() > static_cast<size_t>(field.width)) {
                return std::nullopt;
            }
            return text + std::string(field.width - text.size(), ' ');
        }
        default:
            return std::nullopt;
    }
}

std::optional<std::string> encodeBoolean(const Field& field, bool value) {
    if (field.type != 'L') {
        return std::nullopt;
    }
    return std::string(1, value ? 'T' : 'F');
}

std::optional<std::string> encodeText(const Field& field, std::string_view text) {
    switch (field.type) {
        case 'N':
        case 'F':
        case 'I':
        case '+':
        case 'O': {
            if (trimBlanks(text).empty()) {
                return blankBytes(field);
            }
            auto value = parseDouble(text);
            if (!value) {
                return std::nullopt;
            }
            return encodeNumber(field, *value);
        }
        case 'L': {
            std::string_view t = trimBlanks(text);
            if (t.empty() || t == "?") {
                return blankBytes(field);
            }
            Field probe = field;
            std::string shown = displayText(probe, t.substr(0, 1));
            if (shown.empty()) {
                return std::nullopt;
            }
            return std::string(1, shown == "True" ? 'T' : 'F');
        }
        case 'D': {
            std::string_view t = trimBlanks(text);
            if (t.empty()) {
                return blankBytes(field);
            }
            if (t.size() != 8 || t.find_first_not_of("0123456789") != std::string_view::npos) {
                return std::nullopt;
            }
            return std::string(t);
        }
        case 'M':
        case 'B':
        case 'G':
        case '@':
            return std::nullopt;
        default: {
            std::string bytes(text.substr(0, static_cast<size_t>(field.width)));
            bytes.resize(static_cast<size_t>(field.width), ' ');
            return bytes;
        }
    }
}

}  // namespace qv::dbf
