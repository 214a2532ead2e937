#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "services/DbfHeader.h"

// Field values as stored in a record, and as the table object hands them out.
//   C  text, left-aligned, blank-padded (level-7 writers may pad with NULs)
//   N F decimal text, right-aligned, exactly `decimals` decimals; all blanks (or '*') is blank
//   L  T/t/Y/y true, F/f/N/n false, anything else unset; a blank is written for unset
//   D  YYYYMMDD text
//   I  4 bytes big-endian with the sign bit inverted; all zero is blank
//   O  8-byte big-endian double, positive: sign bit set, negative: every bit inverted;
//      all zero is blank
namespace qv::dbf {

// The stored value as text: text without its pad, numbers as plain decimal text ("42", "2.5",
// "-3"), logicals "True"/"False"; "" for a blank value.
std::string displayText(const Field& field, std::string_view raw);

// True when the stored value is blank.
bool isBlank(const Field& field, std::string_view raw);

// The bytes of a blank value.
std::string blankBytes(const Field& field);

// The bytes for a text value. Text is cut to the width; numbers, logicals and dates are read
// from the text (blank text gives a blank value). nullopt when the text does not fit the kind.
std::optional<std::string> encodeText(const Field& field, std::string_view text);
// nullopt when the number does not fit the field.
std::optional<std::string> encodeNumber(const Field& field, double value);
std::optional<std::string> encodeInteger(const Field& field, long long value);
std::optional<std::string> encodeBoolean(const Field& field, bool value);

// True for the kinds holding numbers (N, F, I, O, +).
bool isNumeric(const Field& field);

// A decimal text in plain form ("  -003.50" gives "-3.5"); nullopt when it is not a number.
std::optional<std::string> normalizedDecimal(std::string_view text);

}  // namespace qv::dbf
