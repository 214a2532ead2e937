#pragma once

#include <optional>
#include <string>
#include <string_view>

// Numeric keys of the dBase IV .MDX index: 12 bytes of binary-coded decimal.
//   byte 0     0x34 + E, where |value| = 0.d1d2d3... x 10^E
//   byte 1     bit 7 sign (1 = negative), bits 2-6 digit count, bits 0-1 always 01
//   bytes 2-11 up to 20 mantissa digits, two per byte, high nibble first
// Zero is 34 01 followed by ten zero bytes.
namespace qv {

inline constexpr int kBcdKeyLength = 12;
inline constexpr int kBcdMaxDigits = 20;

// The key of a decimal number text ("  -3.50", "42", ".5"); blank text gives zero. nullopt when
// the text is not a plain decimal number. Digits past the twentieth are dropped.
std::optional<std::string> bcdFromDecimal(std::string_view text);

// The value of a key as plain decimal text ("-3.5", "0.05", "120"); "" when the key is not 12
// bytes long.
std::string bcdToDecimal(std::string_view key);

// Orders two keys by the numbers they hold: negative, zero or positive like memcmp.
int compareBcd(std::string_view a, std::string_view b);

}  // namespace qv
