#include "services/Bcd.h"

#include <algorithm>

namespace qv {

namespace {

constexpr unsigned char kExponentBias = 0x34;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

struct Decoded {
    int sign = 0;  // -1, 0 or 1
    int exponent = 0;
    std::string digits;  // always kBcdMaxDigits characters, zero padded
};

Decoded decode(std::string_view key) {
    Decoded d;
    d.digits.assign(kBcdMaxDigits, '0');
    if (key.size() < static_cast<size_t>(kBcdKeyLength)) {
        return d;
    }
    bool any = false;
    for (int i = 0; i < kBcdMaxDigits; ++i) {
        auto byte = static_cast<unsigned char>(key[2 + i / 2]);
        int nibble = (i % 2 == 0) ? (byte >> 4) : (byte & 0x0F);
        d.digits[i] = static_cast<char>('0' + std::min(nibble, 9));
        any = any || nibble != 0;
    }
    if (!any) {
        return d;  // zero, whatever bytes 0 and 1 say
    }
    d.sign = (static_cast<unsigned char>(key[1]) & 0x80) ? -1 : 1;
    d.exponent = static_cast<unsigned char>(key[0]) - kExponentBias;
    return d;
}

}  // namespace

std::optional<std::string> bcdFromDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    size_t end = text.size();
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t')) {
        --end;
    }
    text = text.substr(i, end - i);

    bool negative = false;
    size_t pos = 0;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::string integerDigits;
    std::string fractionDigits;
    while (pos < text.size() && isDigit(text[pos])) {
        integerDigits += text[pos++];
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && isDigit(text[pos])) {
            fractionDigits += text[pos++];
        }
    }
    if (pos != text.size() || (integerDigits.empty() && fractionDigits.empty() && !text.empty())) {
        return std::nullopt;
    }

    integerDigits.erase(0, std::min(integerDigits.find_first_not_of('0'), integerDigits.size()));
    int exponent = 0;
    std::string digits;
    if (!integerDigits.empty()) {
        exponent = static_cast<int>(integerDigits.size());
        digits = integerDigits + fractionDigits;
    } else {
        size_t zeros = std::min(fractionDigits.find_first_not_of('0'), fractionDigits.size());
        exponent = -static_cast<int>(zeros);
        digits = fractionDigits.substr(zeros);
    }
    digits.erase(digits.find_last_not_of('0') + 1);
    if (digits.size() > static_cast<size_t>(kBcdMaxDigits)) {
        digits.resize(kBcdMaxDigits);
        digits.erase(digits.find_last_not_of('0') + 1);
    }

    std::string key(kBcdKeyLength, '\0');
    if (digits.empty()) {
        key[0] = static_cast<char>(kExponentBias);
        key[1] = 0x01;
        return key;
    }
    int biased = std::clamp(kExponentBias + exponent, 0, 255);
    key[0] = static_cast<char>(biased);
    key[1] =
        static_cast<char>((negative ? 0x80 : 0x00) | (static_cast<int>(digits.size()) << 2) | 0x01);
    for (size_t d = 0; d < digits.size(); ++d) {
        int nibble = digits[d] - '0';
        auto& byte = key[2 + d / 2];
        byte = static_cast<char>(static_cast<unsigned char>(byte) |
                                 (d % 2 == 0 ? nibble << 4 : nibble));
    }
    return key;
}

std::string bcdToDecimal(std::string_view key) {
    if (key.size() != static_cast<size_t>(kBcdKeyLength)) {
        return {};
    }
    Decoded d = decode(key);
    if (d.sign == 0) {
        return "0";
    }
    std::string digits = d.digits;
    digits.erase(digits.find_last_not_of('0') + 1);
    std::string text;
    if (d.exponent <= 0) {
        text = "0." + std::string(static_cast<size_t>(-d.exponent), '0') + digits;
    } else if (static_cast<size_t>(d.exponent) >= digits.size()) {
        text = digits + std::string(d.exponent - digits.size(), '0');
    } else {
        text = digits.substr(0, d.exponent) + "." + digits.substr(d.exponent);
    }
    return d.sign < 0 ? "-" + text : text;
}

int compareBcd(std::string_view a, std::string_view b) {
    Decoded x = decode(a);
    Decoded y = decode(b);
    if (x.sign != y.sign) {
        return x.sign < y.sign ? -1 : 1;
    }
    if (x.sign == 0) {
        return 0;
    }
    int magnitude = 0;
    if (x.exponent != y.exponent) {
        magnitude = x.exponent < y.exponent ? -1 : 1;
    } else {
        int c = x.digits.compare(y.digits);
        magnitude = c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return x.sign < 0 ? -magnitude : magnitude;
}

}  // namespace qv
