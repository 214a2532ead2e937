// The production index: numeric keys, the file's bytes, and the B-tree of a large tag.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>

#include "TableTestSupport.h"
#include "services/Bcd.h"
#include "services/Error.h"
#include "services/MdxIndex.h"
#include "services/Table.h"

namespace qv {
namespace {

using test::Bytes;
using test::TempFolder;

std::string hex(std::string_view bytes) {
    std::string out;
    char buf[4];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
    }
    return out;
}

// --- BCD keys ------------------------------------------------------------------------------

struct BcdCase {
    const char* text;
    const char* key;  // the 12 bytes in hex
    const char* back;
};

class BcdTest : public ::testing::TestWithParam<BcdCase> {};

TEST_P(BcdTest, EncodesAsTheFormatDescribes) {
    auto key = bcdFromDecimal(GetParam().text);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(hex(*key), GetParam().key);
    EXPECT_EQ(bcdToDecimal(*key), GetParam().back);
}

INSTANTIATE_TEST_SUITE_P(
    Values, BcdTest,
    ::testing::Values(BcdCase{"5", "350550000000000000000000", "5"},
                      BcdCase{"-3", "358530000000000000000000", "-3"},
                      BcdCase{"0.25", "340925000000000000000000", "0.25"},
                      BcdCase{"0.05", "330550000000000000000000", "0.05"},
                      BcdCase{"20.5", "360D20500000000000000000", "20.5"},
                      BcdCase{"20.50", "360D20500000000000000000", "20.5"},
                      BcdCase{"120", "370912000000000000000000", "120"},
                      BcdCase{"0", "340100000000000000000000", "0"},
                      BcdCase{"-0.0000", "340100000000000000000000", "0"},
                      BcdCase{"", "340100000000000000000000", "0"},
                      BcdCase{"        540", "370954000000000000000000", "540"},
                      BcdCase{"1234567890.1234", "3E3912345678901234000000", "1234567890.1234"},
                      BcdCase{"-2147483648", "3EA921474836480000000000", "-2147483648"}));

TEST(Bcd, RejectsWhatIsNotADecimalNumber) {
    for (const char* text : {"abc", "1.2.3", "-", ".", "1e5", "12 3"}) {
        EXPECT_FALSE(bcdFromDecimal(text).has_value()) << text;
    }
}

TEST(Bcd, KeysOrderAsTheirNumbers) {
    const std::vector<double> values{-1000, -20.5, -3, -0.25, -0.05, 0,   0.05, 0.25,
                                     0.5,   1,     5,  9.99,  20.5,  100, 120,  1e9};
    for (double a : values) {
        for (double b : values) {
            auto ka = bcdFromDecimal(std::to_string(a));
            auto kb = bcdFromDecimal(std::to_string(b));
            ASSERT_TRUE(ka && kb);
            int expected = a < b ? -1 : (a > b ? 1 : 0);
            EXPECT_EQ(compareBcd(*ka, *kb), expected) << a << " vs " << b;
        }
    }
}

// --- an independent reader of the tree -----------------------------------------------------

std::uint32_t u32(const std::string& b, size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
           static_cast<unsigned char>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

struct Walk {
    std::vector<std::pair<std::string, std::uint32_t>> leafEntries;  // in tree order
    std::vector<std::uint32_t> leafPages;
    int depth = 0;
};

// Reads a node as the format page describes: count, entries of pointer + key + padding, and
// after the last entry the right-most child (non-zero: branch) or 0 (leaf). Returns the largest
// key below it and checks each branch key is the largest key of its child's subtree.
std::string walkNode(const std::string& file, std::uint32_t page, int keyLength, int level,
                     Walk& walk) {
    const int item = 4 + (keyLength + 3) / 4 * 4;
    const size_t base = size_t{page} * 512;
    EXPECT_LE(base + 1024, file.size());
    if (base + 1024 > file.size()) {
        return {};
    }
    const std::uint32_t n = u32(file, base);
    EXPECT_LE(8 + n * item + 4, 1024u);
    const std::uint32_t after = u32(file, base + 8 + n * item);
    walk.depth = std::max(walk.depth, level + 1);
    std::string largest;
    if (after == 0) {
        walk.leafPages.push_back(page);
        for (std::uint32_t i = 0; i < n; ++i) {
            size_t at = base + 8 + i * item;
            std::string key = file.substr(at + 4, keyLength);
            walk.leafEntries.emplace_back(key, u32(file, at));
            for (size_t pad = at + 4 + keyLength; pad < at + item; ++pad) {
                EXPECT_EQ(file[pad], '\0');
            }
            largest = key;
        }
        // Nothing after the last entry: stale bytes would make it a branch for every reader.
        for (size_t z = base + 8 + n * item; z < base + 1024; ++z) {
            EXPECT_EQ(file[z], '\0') << "leaf page " << page << " byte " << (z - base);
        }
        return largest;
    }
    EXPECT_LT(n, static_cast<std::uint32_t>((1024 - 12) / item));
    for (std::uint32_t i = 0; i < n; ++i) {
        size_t at = base + 8 + i * item;
        std::string key = file.substr(at + 4, keyLength);
        std::string childMax = walkNode(file, u32(file, at), keyLength, level + 1, walk);
        EXPECT_EQ(hex(key), hex(childMax)) << "branch page " << page << " entry " << i;
    }
    return walkNode(file, after, keyLength, level + 1, walk);
}

Walk walkTag(const std::string& file, int tagNumber) {
    const size_t entry = 544 + 32 * size_t(tagNumber);
    const std::uint32_t headerPage = u32(file, entry);
    const size_t h = size_t{headerPage} * 512;
    const int keyLength = static_cast<unsigned char>(file[h + 12]) | file[h + 13] << 8;
    Walk walk;
    walkNode(file, u32(file, h), keyLength, 0, walk);
    if (!walk.leafPages.empty()) {
        EXPECT_EQ(u32(file, h + 248), walk.leafPages.front());
        EXPECT_EQ(u32(file, h + 252), walk.leafPages.back());
    }
    EXPECT_EQ(u32(file, 32) * 512u, file.size());
    return walk;
}

std::vector<std::uint32_t> recordsOf(const Walk& walk) {
    std::vector<std::uint32_t> records;
    for (const auto& e : walk.leafEntries) {
        records.push_back(e.second);
    }
    return records;
}

// --- the file written for DIASHORAST2 -----------------------------------------------------

std::vector<FieldDef> diasHorasFields() {
    return {textField("DIHO", 10),     textField("CODDIHO", 10),  textField("DIA", 20),
            textField("TEXTODIA", 20), textField("HORA", 8),      textField("TEXTOHOR", 15),
            textField("HORADESDE", 8), textField("HORAHASTA", 8), textField("MINUTOS", 8),
            integerField("ORDEN")};
}

// Header, tag table, tag header and an empty root leaf, from the published offsets.
Bytes expectedMdx(std::uint32_t pages, bool keysExist) {
    Bytes b(size_t{pages} * 512);
    b.u8(0, 2).u8(1, 126).u8(2, 12).u8(3, 11).text(4, "DIASHORA");
    b.u16(20, 2).u16(22, 1024).u8(24, 1).u8(25, 0x30).u8(26, 0x20).u8(27, 0);
    b.u16(28, 1).u8(30, 2).u8(31, 0x57).u32(32, pages).u32(36, 0).u32(40, 0);
    b.u8(44, 126).u8(45, 12).u8(46, 11);
    b.u8(529, 1);
    // tag 1
    b.u32(544, 4).text(548, "ORDEN").u8(559, 0x10).u8(563, 0x02).u8(564, 'N');
    // tag header at page 4
    const size_t h = 4 * 512;
    b.u32(h + 0, 6).u32(h + 4, 2).u8(h + 8, 0x10).u8(h + 9, 'N').u8(h + 11, 0x57);
    b.u16(h + 12, 12).u16(h + 14, 63).u16(h + 16, 0).u16(h + 18, 16).u8(h + 20, 3);
    b.text(h + 24, "ORDEN").u8(h + 246, keysExist ? 1 : 0);
    b.u32(h + 248, 6).u32(h + 252, 6).u8(h + 257, 126).u8(h + 258, 12).u8(h + 259, 11);
    b.u8(h + 480, 1);
    return b;
}

TEST(MdxLayout, EmptyTagFileMatchesThePublishedLayoutByteForByte) {
    TempFolder folder;
    Table::create(folder.path(), "DIASHORAST2.DBF", diasHorasFields(), {{"ORDEN", "ORDEN"}},
                  test::fixedClock());
    std::string dbf = test::readBytes(folder / "DIASHORAST2.DBF");
    EXPECT_EQ(dbf[28], 1);
    for (int f = 0; f < 10; ++f) {
        EXPECT_EQ(dbf[32 + 32 * f + 31], f == 9 ? 1 : 0) << "field " << f;
    }
    std::string actual = test::readBytes(folder / "DIASHORAST2.MDX");
    std::string expected = expectedMdx(8, false).str();
    EXPECT_EQ(actual, expected) << test::firstDifference(actual, expected);
}

TEST(MdxLayout, RowsAreKeptInKeyOrderWithEqualKeysByRecordNumber) {
    TempFolder folder;
    Table::create(folder.path(), "DIASHORAST2.DBF", diasHorasFields(), {{"ORDEN", "ORDEN"}},
                  test::fixedClock());
    Table table(folder.path(), "DIASHORAST2.DBF");
    table.setDateSource(test::fixedClock());
    table.open(OpenMode::Shared);
    const int orden[] = {540, 480, 540, 600, 480, 0, -5};
    for (int value : orden) {
        table.append();
        table.setInteger("ORDEN", value);
        table.setString("DIHO", std::to_string(value));
        table.post();
    }
    std::string actual = test::readBytes(folder / "DIASHORAST2.MDX");
    Bytes expected = expectedMdx(8, true);
    const size_t leaf = 6 * 512;
    const std::pair<std::uint32_t, const char*> entries[] = {
        {7, "\x35\x85\x50"}, {6, "\x34\x01"},     {2, "\x37\x09\x48"}, {5, "\x37\x09\x48"},
        {1, "\x37\x09\x54"}, {3, "\x37\x09\x54"}, {4, "\x37\x05\x60"}};
    expected.u32(leaf, 7);
    for (size_t i = 0; i < 7; ++i) {
        expected.u32(leaf + 8 + i * 16, entries[i].first)
            .text(leaf + 12 + i * 16, entries[i].second);
    }
    EXPECT_EQ(actual, expected.str()) << test::firstDifference(actual, expected.str());

    // Serving the index from memory visits the same order.
    table.setIndexName("ORDEN");
    std::vector<int> seen;
    for (table.first(); !table.eof(); table.next()) {
        seen.push_back(table.asInteger("ORDEN"));
    }
    EXPECT_EQ(seen, (std::vector<int>{-5, 0, 480, 480, 540, 540, 600}));

    // Editing a key moves the row in the file's index too.
    ASSERT_TRUE(table.locate("DIHO", {"600"}));
    table.edit();
    table.setInteger("ORDEN", 1);
    table.post();
    Walk walk = walkTag(test::readBytes(folder / "DIASHORAST2.MDX"), 0);
    EXPECT_EQ(recordsOf(walk), (std::vector<std::uint32_t>{7, 6, 4, 2, 5, 1, 3}));
}

TEST(MdxLayout, HundredsOfRowsMakeAMultiLevelTreeInTableOrder) {
    TempFolder folder;
    Table::create(folder.path(), "DIASHORAST2.DBF", diasHorasFields(), {{"ORDEN", "ORDEN"}},
                  test::fixedClock());
    Table table(folder.path(), "DIASHORAST2.DBF");
    table.open(OpenMode::Exclusive);
    const int rows = 400;
    for (int i = 0; i < rows; ++i) {
        table.append();
        table.setInteger("ORDEN", (i * 37) % 101 - 20);  // many equal keys
        table.post();
    }
    std::string file = test::readBytes(folder / "DIASHORAST2.MDX");
    Walk walk = walkTag(file, 0);
    EXPECT_EQ(walk.depth, 2);
    ASSERT_EQ(walk.leafEntries.size(), static_cast<size_t>(rows));
    for (size_t i = 1; i < walk.leafEntries.size(); ++i) {
        int c = compareBcd(walk.leafEntries[i - 1].first, walk.leafEntries[i].first);
        EXPECT_TRUE(c < 0 ||
                    (c == 0 && walk.leafEntries[i - 1].second < walk.leafEntries[i].second))
            << "entry " << i;
    }
    table.setIndexName("ORDEN");
    std::vector<std::uint32_t> visited;
    for (table.first(); !table.eof(); table.next()) {
        // Record numbers are recovered from the values: ORDEN repeats, so compare keys and
        // the row's position in the file instead.
        visited.push_back(static_cast<std::uint32_t>(table.asInteger("ORDEN")));
    }
    std::vector<std::uint32_t> fromTree;
    for (const auto& e : walk.leafEntries) {
        fromTree.push_back(static_cast<std::uint32_t>(std::stoi(bcdToDecimal(e.first))));
    }
    EXPECT_EQ(visited, fromTree);
}

TEST(MdxBuild, ThousandsOfKeysMakeThreeLevels) {
    mdx::IndexFile index;
    index.tableName = "BIG";
    index.created = test::fixedDay();
    mdx::Tag tag;
    tag.name = "K";
    tag.expression = "K";
    tag.keyType = 'C';
    tag.keyLength = 6;
    tag.created = test::fixedDay();
    index.tags.push_back(tag);
    std::vector<mdx::Entry> entries;
    for (std::uint32_t r = 1; r <= 9000; ++r) {
        char key[8];
        std::snprintf(key, sizeof key, "%06u", (r * 7919) % 4000);
        entries.push_back({key, r});
    }
    mdx::sortEntries('C', entries);
    std::string file = mdx::build(index, {entries}, test::fixedDay());
    Walk walk = walkTag(file, 0);
    EXPECT_EQ(walk.depth, 3);
    ASSERT_EQ(walk.leafEntries.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        ASSERT_EQ(walk.leafEntries[i].first, entries[i].key);
        ASSERT_EQ(walk.leafEntries[i].second, entries[i].recordNumber);
    }
}

TEST(MdxLayout, CharacterKeysSortByteWiseAndTagsFormANameTree) {
    TempFolder folder;
    Table::create(folder.path(), "T.DBF",
                  {textField("NOMBRE", 6), integerField("N"), textField("Z", 2)},
                  {{"ORDEN", "N"}, {"BNOMBRE", "NOMBRE"}, {"ZZ", "Z"}}, test::fixedClock());
    Table table(folder.path(), "T.DBF");
    table.open(OpenMode::Exclusive);
    const char* names[] = {"b", "\xC9lida", "B", "a", "Zoe", "b"};
    for (const char* name : names) {
        table.append();
        table.setString("NOMBRE", name);
        table.post();
    }
    std::string file = test::readBytes(folder / "T.MDX");
    // Threads: ORDEN is the root (1); BNOMBRE sorts lower (left, 2), ZZ higher (right, 3).
    EXPECT_EQ(file[544 + 16], 2);
    EXPECT_EQ(file[544 + 17], 3);
    EXPECT_EQ(file[544 + 18], 0);
    EXPECT_EQ(file[576 + 18], 1);
    EXPECT_EQ(file[608 + 18], 1);
    EXPECT_EQ(file[576 + 20], 'C');
    Walk walk = walkTag(file, 1);
    EXPECT_EQ(recordsOf(walk), (std::vector<std::uint32_t>{3, 5, 4, 1, 6, 2}));
    table.setIndexName("BNOMBRE");
    std::vector<std::string> seen;
    for (table.first(); !table.eof(); table.next()) {
        seen.push_back(table.asString("NOMBRE"));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"B", "Zoe", "a", "b", "b", "\xC9lida"}));
    std::string dbf = test::readBytes(folder / "T.DBF");
    EXPECT_EQ(dbf[32 + 31], 1);
    EXPECT_EQ(dbf[64 + 31], 1);
    EXPECT_EQ(dbf[96 + 31], 1);
}

TEST(MdxParse, RandomlyDamagedIndexesGiveTagsOrATableErrorNeverACrash) {
    mdx::IndexFile index;
    index.tableName = "T";
    index.created = test::fixedDay();
    for (const char* name : {"ORDEN", "B", "Z"}) {
        mdx::Tag tag;
        tag.name = name;
        tag.expression = name;
        tag.keyType = 'N';
        tag.keyLength = 12;
        index.tags.push_back(tag);
    }
    const std::string pristine = mdx::build(index, {}, test::fixedDay());
    std::mt19937 random(7);
    int parsed = 0;
    int refused = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string bytes = pristine;
        int flips = 1 + static_cast<int>(random() % 6);
        for (int f = 0; f < flips; ++f) {
            // Mostly the file header and tag table, sometimes a tag header.
            size_t at = random() % 4 == 0 ? 2048 + random() % 1024 : random() % 2048;
            bytes[at] = static_cast<char>(random() % 256);
        }
        if (random() % 6 == 0) {
            bytes.resize(random() % (bytes.size() + 1));
        }
        std::unique_ptr<char[]> exact(new char[bytes.size()]);
        std::memcpy(exact.get(), bytes.data(), bytes.size());
        try {
            mdx::IndexFile read = mdx::parse(std::string_view(exact.get(), bytes.size()), "T.MDX");
            EXPECT_LE(read.tags.size(), 47u);
            ++parsed;
        } catch (const TableError&) {
            ++refused;
        }
    }
    EXPECT_GT(parsed, 0);
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace qv
