#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "services/CalendarDate.h"
#include "services/DbfHeader.h"

// The dBase IV production index (.MDX). Every pointer counts 512-byte pages; a node (block) is
// two pages. Layout:
//   pages 0-3   file header (bytes 0..47), pseudo tag entry 0 at 512, tag entries from 544
//   per tag     a tag header block, then its node blocks (leaves first, the root last)
// Node: key count (4), 4 zero bytes, entries of (pointer 4, key, zero padding), and after the
// last entry the right-most child page in a branch or 0 in a leaf.
namespace qv::mdx {

inline constexpr size_t kPageSize = 512;
inline constexpr size_t kBlockSize = 1024;
inline constexpr std::uint32_t kPagesPerBlock = 2;
inline constexpr std::uint32_t kHeaderPages = 4;
inline constexpr size_t kTagTableOffset = 544;
inline constexpr size_t kTagEntryLength = 32;
inline constexpr int kTagSlots = 48;
inline constexpr int kMaxTags = 47;
inline constexpr int kMaxTagName = 10;
inline constexpr int kMaxCharacterKey = 100;
inline constexpr size_t kMaxExpression = 220;

// One tag as the file describes it.
struct Tag {
    std::string name;        // upper case
    std::string expression;  // a bare field name for the tags we write
    char keyType = 'C';      // 'C', 'N' (12-byte BCD) or 'D' (Julian day as a double)
    int keyLength = 0;
    CalendarDate created;
    // Ascending, not unique, without FOR filter: the only tags this engine maintains.
    bool plain = true;
};

struct IndexFile {
    std::string tableName;  // what the header names (first 8 characters of the table name)
    CalendarDate created;
    std::uint8_t languageDriver = dbf::kLanguageDriverWinUs;
    std::vector<Tag> tags;
};

// One key of a tag: the key bytes and the 1-based record number.
struct Entry {
    std::string key;
    std::uint32_t recordNumber = 0;
};

// Bytes of an entry: 4-byte pointer plus the key rounded up to a multiple of 4.
int itemLength(int keyLength);
// Keys a node holds: (1024 - 12) / item length.
int maxKeysPerNode(int keyLength);

// Reads the header and tag descriptions; TableError naming displayPath when damaged.
IndexFile parse(std::string_view file, const std::string& displayPath);

// The key of a field value for a tag of that field.
std::string keyFor(const dbf::Field& field, std::string_view raw, const Tag& tag);

// Orders keys of one type: byte order for 'C' (DBWINUS0 collates by byte value), by value for
// 'N' and 'D'.
int compareKeys(char keyType, std::string_view a, std::string_view b);

// Puts entries in index order: ascending key, equal keys by record number.
void sortEntries(char keyType, std::vector<Entry>& entries);

// The whole file for the given tags, entriesPerTag[i] being tag i's entries in index order.
std::string build(const IndexFile& index, const std::vector<std::vector<Entry>>& entriesPerTag,
                  const CalendarDate& today);

}  // namespace qv::mdx
