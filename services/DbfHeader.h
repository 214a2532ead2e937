#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "services/CalendarDate.h"

// The header of a .DBF file: main header, field descriptors, terminator and (dBase 7) the field
// properties block. Offsets below are 0-based, integers little-endian.
namespace qv::dbf {

// Main header, dBase III/IV/5 and 7 alike.
inline constexpr size_t kVersionOffset = 0;
inline constexpr size_t kDateOffset = 1;  // year - 1900, month, day
inline constexpr size_t kRecordCountOffset = 4;
inline constexpr size_t kHeaderLengthOffset = 8;
inline constexpr size_t kRecordLengthOffset = 10;
inline constexpr size_t kMdxFlagOffset = 28;
inline constexpr size_t kLanguageDriverOffset = 29;
inline constexpr size_t kMainHeaderLength = 32;
// dBase 7 only: language driver name at 32..63, 4 reserved bytes, so 68 in all.
inline constexpr size_t kDriverNameOffset = 32;
inline constexpr size_t kDriverNameLength = 32;
inline constexpr size_t kLevel7MainHeaderLength = 68;

// Field descriptors: 32 bytes (III/IV) and 48 bytes (7).
inline constexpr size_t kDescriptorLength = 32;
inline constexpr size_t kNameLength = 11;  // 10 characters and a NUL
inline constexpr size_t kTypeOffset = 11;
inline constexpr size_t kWidthOffset = 16;
inline constexpr size_t kDecimalsOffset = 17;
inline constexpr size_t kFieldMdxFlagOffset = 31;
inline constexpr size_t kLevel7DescriptorLength = 48;
inline constexpr size_t kLevel7NameLength = 32;  // 31 characters and a NUL
inline constexpr size_t kLevel7TypeOffset = 32;
inline constexpr size_t kLevel7WidthOffset = 33;
inline constexpr size_t kLevel7DecimalsOffset = 34;
inline constexpr size_t kLevel7FieldMdxFlagOffset = 37;

inline constexpr char kTerminator = 0x0D;
inline constexpr char kEndMarker = 0x1A;
inline constexpr char kLiveFlag = ' ';
inline constexpr char kDeletedFlag = '*';

// dBase 7 field properties block after the terminator, here always empty: three (count, start)
// pairs for standard, custom and referential-integrity properties, the start of the data and
// the size of the block, all counted from the block's first byte.
inline constexpr size_t kPropertiesBlockLength = 16;

// What we write.
inline constexpr std::uint8_t kVersionDbase4 = 0x03;
inline constexpr std::uint8_t kVersionDbase7 = 0x04;
inline constexpr std::uint8_t kLanguageDriverWinUs = 0x57;  // DBWINUS0, code page 1252
inline constexpr std::string_view kLanguageDriverName = "DBWINUS0";
inline constexpr int kMaxShortName = 10;
inline constexpr int kMaxLongName = 31;
inline constexpr int kMaxTextWidth = 254;
inline constexpr int kMaxFields = 255;
inline constexpr int kIntegerWidth = 11;  // N 11,0
inline constexpr int kFloatWidth = 20;    // N 20,4
inline constexpr int kFloatDecimals = 4;

// One field as the file describes it.
struct Field {
    std::string name;
    char type = 'C';
    int width = 0;
    int decimals = 0;
    int offset = 0;  // from the start of the record, the deletion flag being byte 0
    bool mdxFlag = false;
    // Visual FoxPro: I is a little-endian two's-complement integer and B an 8-byte
    // little-endian double, not the dBase 7 encodings.
    bool foxBinary = false;
};

struct Header {
    std::uint8_t version = kVersionDbase4;
    CalendarDate updated;
    std::uint32_t recordCount = 0;
    std::uint16_t headerLength = 0;
    std::uint16_t recordLength = 0;
    bool productionMdx = false;
    std::uint8_t languageDriver = kLanguageDriverWinUs;
    std::vector<Field> fields;

    // dBase 7 layout: 68-byte main header and 48-byte descriptors.
    bool level7() const { return (version & 0x07) == 4; }
};

// True for the version bytes this engine reads.
bool isKnownVersion(std::uint8_t version);

// Reads and checks the header of FILE (its whole content): descriptors, lengths and record count
// against the file's size. Throws TableError naming displayPath when the file is not a dBase
// table or is damaged; never reads outside the bytes given.
Header parseHeader(std::string_view file, const std::string& displayPath);

// The header bytes (through the terminator and, at level 7, the properties block) of a table we
// write; headerLength and recordLength are taken from the header as given.
std::string serializeHeader(const Header& header);

// Fills headerLength, recordLength and the field offsets for the header's level and fields.
void computeLayout(Header& header);

// The three date bytes and the record count (bytes 1..7) as they stand in the header.
std::string dateAndCountBytes(const CalendarDate& date, std::uint32_t recordCount);

}  // namespace qv::dbf
