#pragma once

#include <string>
#include <string_view>

// Text helpers shared by every rule. "ANSI" text is Windows-1252 bytes, the encoding of the
// work-folder tables; everything else (messages, XML text, paths) is UTF-8.
namespace qv {

// UTF-8 to Windows-1252; a character the code page lacks (or a broken sequence) becomes '?'.
std::string utf8ToAnsi(std::string_view utf8);

// Windows-1252 to UTF-8; the five unassigned bytes map to U+0081 etc. like Windows does.
std::string ansiToUtf8(std::string_view ansi);

// Removes every leading and trailing character up to U+0020 (blanks and control characters).
std::string trimmed(std::string_view text);
// The same, as a view into TEXT.
std::string_view trimmedView(std::string_view text);

// True when the text is empty once trimmed.
bool isBlank(std::string_view text);

// Upper-cases only the letters a to z; every other byte stays as it is.
std::string upperAZ(std::string_view text);

// Lower-cases only the letters A to Z; every other byte stays as it is.
std::string lowerAZ(std::string_view text);

// Equality of two ANSI texts without regard to letter case, accented letters folded too
// ('Á' equals 'á'), as the Windows locale compares them.
bool sameTextIgnoringCase(std::string_view a, std::string_view b);

// Reads a whole number the way the system's integer conversion does: optional blanks before,
// optional sign, decimal digits or '$' and hexadecimal digits, within 32 bits.
// Throws ConversionError carrying the text otherwise.
int toInteger(std::string_view text);

}  // namespace qv
