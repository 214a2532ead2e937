// Byte layout of the tables the engine writes, and what it makes of tables other programs wrote.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "TableTestSupport.h"
#include "services/DbfHeader.h"
#include "services/DbfValue.h"
#include "services/Error.h"
#include "services/Table.h"

namespace qv {
namespace {

using test::Bytes;
using test::TempFolder;

// --- size arithmetic ---------------------------------------------------------------------

struct SizeCase {
    const char* name;
    std::vector<FieldDef> fields;
    size_t headerLength;  // main header + descriptors + terminator (+ dBase 7 properties block)
    size_t recordLength;  // deletion flag + widths
};

class DbfSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(DbfSizeTest, EmptyTableIsHeaderPlusEndMarkerAndEachRowAddsItsLength) {
    const SizeCase& c = GetParam();
    TempFolder folder;
    Table::create(folder.path(), "T.DBF", c.fields, {}, test::fixedClock());
    std::string bytes = test::readBytes(folder / "T.DBF");
    ASSERT_EQ(bytes.size(), c.headerLength + 1);
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8,
              c.headerLength);
    EXPECT_EQ(static_cast<unsigned char>(bytes[10]) | static_cast<unsigned char>(bytes[11]) << 8,
              c.recordLength);
    EXPECT_EQ(bytes[c.headerLength - 1 - (bytes[0] == 0x04 ? 16 : 0)], '\x0D');

    Table table(folder.path(), "T.DBF");
    table.open(OpenMode::Exclusive);
    for (int i = 0; i < 3; ++i) {
        table.append();
        table.post();
    }
    table.close();
    bytes = test::readBytes(folder / "T.DBF");
    EXPECT_EQ(bytes.size(), c.headerLength + 3 * c.recordLength + 1);
    EXPECT_EQ(bytes[4], 3);
    EXPECT_EQ(bytes.back(), '\x1A');
}

INSTANTIATE_TEST_SUITE_P(
    Schemas, DbfSizeTest,
    ::testing::Values(
        SizeCase{"OneText", {textField("COD", 4)}, 32 + 32 + 1, 1 + 4},
        SizeCase{"Proft",
                 {textField("ABREV", 4), textField("NOMBRE", 40), textField("DEPART", 40),
                  integerField("DNI"), textField("X_EMPLEADO", 10), textField("F_TOMAPOS", 10)},
                 32 + 6 * 32 + 1,
                 1 + 4 + 40 + 40 + 11 + 10 + 10},
        SizeCase{"EveryKind",
                 {textField("A", 1), logicalField("L"), floatField("F"), integerField("I")},
                 32 + 4 * 32 + 1,
                 1 + 1 + 1 + 20 + 11},
        SizeCase{"Asignomt2Level7",
                 {textField("COD", 4), textField("CODLARGO", 8), textField("NOMBRE", 40),
                  textField("MATERIA", 20), textField("OFERTAMATRI", 20), textField("CODTAREA", 12),
                  logicalField("ESTAREA")},
                 68 + 7 * 48 + 1 + 16,
                 1 + 4 + 8 + 40 + 20 + 20 + 12 + 1},
        SizeCase{"NivelcanLevel7",
                 {integerField("X_OFERTAMATRIG"), textField("NIVEL_ABREV", 5),
                  textField("ESTUDIO", 40), floatField("PESO")},
                 68 + 4 * 48 + 1 + 16,
                 1 + 4 + 5 + 40 + 8}),
    [](const auto& info) { return std::string(info.param.name); });

// --- field bytes -------------------------------------------------------------------------

struct ValueCase {
    const char* name;
    FieldDef field;
    bool level7;
    std::function<void(Table&)> set;  // empty: the field is left unset
    std::string stored;               // the field's bytes in the record
    std::string shown;                // what asString gives back
};

class DbfValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(DbfValueTest, FieldIsStoredAsTheFormatSaysAndReadBack) {
    const ValueCase& c = GetParam();
    TempFolder folder;
    std::vector<FieldDef> fields{c.field};
    if (c.level7) {
        fields.push_back(textField("A_LONG_FIELD_NAME", 1));
    }
    Table::create(folder.path(), "T.DBF", fields, {}, test::fixedClock());
    {
        Table table(folder.path(), "T.DBF");
        table.open(OpenMode::Exclusive);
        table.append();
        if (c.set) {
            c.set(table);
        }
        table.post();
    }
    std::string bytes = test::readBytes(folder / "T.DBF");
    size_t headerLength = c.level7 ? 68 + 2 * 48 + 1 + 16 : 32 + 32 + 1;
    ASSERT_GE(bytes.size(), headerLength + 1 + c.stored.size());
    EXPECT_EQ(bytes[headerLength], ' ');
    EXPECT_EQ(bytes.substr(headerLength + 1, c.stored.size()), c.stored);

    Table table(folder.path(), "T.DBF");
    table.open(OpenMode::Shared);
    EXPECT_EQ(table.asString(c.field.name), c.shown);
    EXPECT_EQ(table.isNull(c.field.name), c.shown.empty());
}

std::string be(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) {
        s += static_cast<char>(b);
    }
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DbfValueTest,
    ::testing::Values(
        ValueCase{"TextPadded", textField("T", 5), false, [](Table& t) { t.setString("T", "abc"); },
                  "abc  ", "abc"},
        ValueCase{"TextCutToWidth", textField("T", 5), false,
                  [](Table& t) { t.setString("T", "abcdefgh"); }, "abcde", "abcde"},
        ValueCase{"TextLeadingBlanksKept", textField("T", 5), false,
                  [](Table& t) { t.setString("T", " ab"); }, " ab  ", " ab"},
        ValueCase{"TextAnsiBytes", textField("T", 6), false,
                  [](Table& t) { t.setString("T", "\xC1rbol"); }, "\xC1rbol ", "\xC1rbol"},
        ValueCase{"TextEmpty", textField("T", 3), false, [](Table& t) { t.setString("T", ""); },
                  "   ", ""},
        ValueCase{"TextUnset", textField("T", 3), false, {}, "   ", ""},
        ValueCase{"IntegerN11", integerField("I"), false, [](Table& t) { t.setInteger("I", 42); },
                  "         42", "42"},
        ValueCase{"IntegerNegative", integerField("I"), false,
                  [](Table& t) { t.setInteger("I", -7); }, "         -7", "-7"},
        ValueCase{"IntegerSmallest", integerField("I"), false,
                  [](Table& t) { t.setInteger("I", -2147483647 - 1); }, "-2147483648",
                  "-2147483648"},
        ValueCase{"IntegerFromText", integerField("I"), false,
                  [](Table& t) { t.setString("I", " 0042 "); }, "         42", "42"},
        ValueCase{"IntegerUnset", integerField("I"), false, {}, std::string(11, ' '), ""},
        ValueCase{"FloatN20Dec4", floatField("F"), false, [](Table& t) { t.setFloat("F", 2.5); },
                  "              2.5000", "2.5"},
        ValueCase{"FloatWhole", floatField("F"), false, [](Table& t) { t.setFloat("F", 4.0); },
                  "              4.0000", "4"},
        ValueCase{"FloatNegative", floatField("F"), false, [](Table& t) { t.setFloat("F", -3.0); },
                  "             -3.0000", "-3"},
        ValueCase{"FloatRounded", floatField("F"), false,
                  [](Table& t) { t.setFloat("F", 0.12345); }, "              0.1235", "0.1235"},
        ValueCase{"FloatUnset", floatField("F"), false, {}, std::string(20, ' '), ""},
        ValueCase{"LogicalTrue", logicalField("L"), false,
                  [](Table& t) { t.setBoolean("L", true); }, "T", "True"},
        ValueCase{"LogicalFalse", logicalField("L"), false,
                  [](Table& t) { t.setBoolean("L", false); }, "F", "False"},
        ValueCase{"LogicalUnset", logicalField("L"), false, {}, " ", ""},
        ValueCase{"Level7IntegerIsBigEndianSignFlipped", integerField("I"), true,
                  [](Table& t) { t.setInteger("I", 42); }, be({0x80, 0x00, 0x00, 0x2A}), "42"},
        ValueCase{"Level7IntegerNegative", integerField("I"), true,
                  [](Table& t) { t.setInteger("I", -1); }, be({0x7F, 0xFF, 0xFF, 0xFF}), "-1"},
        ValueCase{"Level7IntegerUnset", integerField("I"), true, {}, be({0, 0, 0, 0}), ""},
        ValueCase{"Level7DoublePositive", floatField("F"), true,
                  [](Table& t) { t.setFloat("F", 2.5); }, be({0xC0, 0x04, 0, 0, 0, 0, 0, 0}),
                  "2.5"},
        ValueCase{"Level7DoubleNegative", floatField("F"), true,
                  [](Table& t) { t.setFloat("F", -2.5); },
                  be({0x3F, 0xFB, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), "-2.5"},
        ValueCase{"Level7DoubleZero", floatField("F"), true, [](Table& t) { t.setFloat("F", 0.0); },
                  be({0x80, 0, 0, 0, 0, 0, 0, 0}), "0"},
        ValueCase{"Level7DoubleUnset", floatField("F"), true, {}, std::string(8, '\0'), ""},
        ValueCase{"Level7TextStillBlankPadded", textField("T", 4), true,
                  [](Table& t) { t.setString("T", "ab"); }, "ab  ", "ab"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DbfValueLimits, NumberTooWideForItsFieldIsRefusedNotCut) {
    TempFolder folder;
    Table::create(folder.path(), "T.DBF", {floatField("F"), textField("T", 3)}, {},
                  test::fixedClock());
    Table table(folder.path(), "T.DBF");
    table.open(OpenMode::Exclusive);
    table.append();
    const std::string path = (folder / "T.DBF").string();
    try {
        table.setFloat("F", 1e20);
        FAIL() << "no error";
    } catch (const TableError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "El valor '1e+20' no cabe en el campo F (N 20,4) de la tabla " + path);
    }
    EXPECT_THROW(table.setInteger("T", 12345), TableError);
    EXPECT_THROW(table.setString("F", "doce"), TableError);
    table.setInteger("T", 123);
    EXPECT_EQ(table.asString("T"), "123");
}

// --- byte-for-byte layouts ----------------------------------------------------------------

// dBase IV header from the published description: version 03, date YY-1900 MM DD, count,
// header length, record length, LDID 0x57 at 29, 32-byte descriptors (name 0..10, type 11,
// width 16, decimals 17, MDX flag 31), terminator 0x0D.
Bytes dbase4Header(const std::vector<std::tuple<std::string, char, int, int, bool>>& fields,
                   std::uint32_t count, bool mdx) {
    int recordLength = 1;
    for (const auto& f : fields) {
        recordLength += std::get<2>(f);
    }
    Bytes b(32);
    b.u8(0, 0x03).u8(1, 126).u8(2, 12).u8(3, 11).u32(4, count);
    b.u16(8, static_cast<unsigned>(32 + 32 * fields.size() + 1)).u16(10, recordLength);
    b.u8(28, mdx ? 1 : 0).u8(29, 0x57);
    size_t at = 32;
    for (const auto& [name, type, width, decimals, indexed] : fields) {
        b.text(at, name).u8(at + 11, type).u8(at + 16, width).u8(at + 17, decimals);
        b.u8(at + 31, indexed ? 1 : 0);
        at += 32;
    }
    b.u8(at, 0x0D);
    return b;
}

TEST(DbfLayout, Dbase4TableMatchesThePublishedLayoutByteForByte) {
    TempFolder folder;
    Table::create(
        folder.path(), "T.DBF",
        {textField("ABREV", 4), integerField("DNI"), logicalField("ACTIVO"), floatField("HORAS")},
        {}, test::fixedClock());
    auto fields =
        std::vector<std::tuple<std::string, char, int, int, bool>>{{"ABREV", 'C', 4, 0, false},
                                                                   {"DNI", 'N', 11, 0, false},
                                                                   {"ACTIVO", 'L', 1, 0, false},
                                                                   {"HORAS", 'N', 20, 4, false}};
    std::string empty = dbase4Header(fields, 0, false).str() + "\x1A";
    std::string actual = test::readBytes(folder / "T.DBF");
    EXPECT_EQ(actual, empty) << test::firstDifference(actual, empty);

    Table table(folder.path(), "T.DBF");
    table.setDateSource(test::fixedClock());
    table.open(OpenMode::Exclusive);
    table.append();
    table.setString("ABREV", "PGR");
    table.setInteger("DNI", 123);
    table.setBoolean("ACTIVO", true);
    table.setFloat("HORAS", 1.5);
    table.post();
    table.append();
    table.post();
    table.close();
    std::string rows = " PGR " + std::string(8, ' ') + "123" + "T" + std::string(14, ' ') +
                       "1.5000" + " " + std::string(36, ' ');
    std::string expected = dbase4Header(fields, 2, false).str() + rows + "\x1A";
    actual = test::readBytes(folder / "T.DBF");
    EXPECT_EQ(actual, expected) << test::firstDifference(actual, expected);
}

// dBase 7 from its published description: 68-byte header with the driver name at 32..63,
// 48-byte descriptors (name 0..31, type 32, width 33, decimals 34, MDX flag 37, autoincrement
// 40..43), terminator, then the field properties structure: six 16-bit counts/starts for
// standard, custom and RI properties, start of data, size; with no properties every start and
// the size point just past its own 16 bytes.
Bytes dbase7Header(const std::vector<std::tuple<std::string, char, int, int>>& fields,
                   std::uint32_t count) {
    int recordLength = 1;
    for (const auto& f : fields) {
        recordLength += std::get<2>(f);
    }
    const size_t terminator = 68 + 48 * fields.size();
    Bytes b(68);
    b.u8(0, 0x04).u8(1, 126).u8(2, 12).u8(3, 11).u32(4, count);
    b.u16(8, static_cast<unsigned>(terminator + 1 + 16)).u16(10, recordLength);
    b.u8(29, 0x57).text(32, "DBWINUS0");
    size_t at = 68;
    for (const auto& [name, type, width, decimals] : fields) {
        b.text(at, name).u8(at + 32, type).u8(at + 33, width).u8(at + 34, decimals);
        b.u32(at + 40, 0);
        at += 48;
    }
    b.u8(terminator, 0x0D);
    size_t p = terminator + 1;
    b.u16(p + 0, 0).u16(p + 2, 16).u16(p + 4, 0).u16(p + 6, 16).u16(p + 8, 0).u16(p + 10, 16);
    b.u16(p + 12, 16).u16(p + 14, 16);
    return b;
}

TEST(DbfLayout, Dbase7TableMatchesThePublishedLayoutByteForByte) {
    TempFolder folder;
    Table::create(folder.path(), "NIVELCAN.DBF",
                  {integerField("X_OFERTAMATRIG"), textField("NIVEL_ABREV", 5),
                   textField("ESTUDIO", 12), floatField("PESO"), logicalField("ACTIVO")},
                  {}, test::fixedClock());
    auto fields =
        std::vector<std::tuple<std::string, char, int, int>>{{"X_OFERTAMATRIG", 'I', 4, 0},
                                                             {"NIVEL_ABREV", 'C', 5, 0},
                                                             {"ESTUDIO", 'C', 12, 0},
                                                             {"PESO", 'O', 8, 0},
                                                             {"ACTIVO", 'L', 1, 0}};
    std::string expected = dbase7Header(fields, 0).str() + "\x1A";
    std::string actual = test::readBytes(folder / "NIVELCAN.DBF");
    ASSERT_EQ(actual, expected) << test::firstDifference(actual, expected);

    Table table(folder.path(), "NIVELCAN.DBF");
    table.setDateSource(test::fixedClock());
    table.open(OpenMode::Exclusive);
    table.append();
    table.setInteger("X_OFERTAMATRIG", 3001);
    table.setString("NIVEL_ABREV", "ESO");
    table.setString("ESTUDIO", "Secundaria obligatoria");
    table.setFloat("PESO", -0.5);
    table.setBoolean("ACTIVO", false);
    table.post();
    table.close();
    // 3001 = 0x00000BB9 -> 80 00 0B B9; -0.5 = BF E0 00.. inverted -> 40 1F FF FF FF FF FF FF
    std::string row = std::string(" ") + be({0x80, 0x00, 0x0B, 0xB9}) + "ESO  " + "Secundaria o" +
                      be({0x40, 0x1F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}) + "F";
    expected = dbase7Header(fields, 1).str() + row + "\x1A";
    actual = test::readBytes(folder / "NIVELCAN.DBF");
    EXPECT_EQ(actual, expected) << test::firstDifference(actual, expected);

    table.open(OpenMode::Shared);
    EXPECT_EQ(table.asInteger("X_OFERTAMATRIG"), 3001);
    EXPECT_EQ(table.asString("NIVEL_ABREV"), "ESO");
    EXPECT_DOUBLE_EQ(table.asFloat("PESO"), -0.5);
    EXPECT_FALSE(table.asBoolean("ACTIVO"));
}

TEST(DbfLayout, LongFieldNameDecidesTheLevel) {
    TempFolder folder;
    Table::create(folder.path(), "A.DBF", {textField("ABCDEFGHIJ", 1)}, {}, test::fixedClock());
    Table::create(folder.path(), "B.DBF", {textField("ABCDEFGHIJK", 1)}, {}, test::fixedClock());
    EXPECT_EQ(test::readBytes(folder / "A.DBF")[0], 0x03);
    EXPECT_EQ(test::readBytes(folder / "B.DBF")[0], 0x04);
}

// --- damaged and foreign tables -----------------------------------------------------------

// A two-row table COD C4, N N11 (or at level 7 with I) as the engine writes it.
std::string validTable(const TempFolder& folder, bool level7) {
    std::vector<FieldDef> fields{textField("COD", 4), integerField(level7 ? "NUMERO_LARGO" : "N")};
    Table::create(folder.path(), "T.DBF", fields, {}, test::fixedClock());
    {
        Table table(folder.path(), "T.DBF");
        table.open(OpenMode::Exclusive);
        for (int i = 1; i <= 2; ++i) {
            table.append();
            table.setString("COD", "C" + std::to_string(i));
            table.setInteger(level7 ? "NUMERO_LARGO" : "N", i);
            table.post();
        }
    }
    return test::readBytes(folder / "T.DBF");
}

struct BrokenCase {
    const char* name;
    bool level7;
    std::function<void(std::string&)> damage;
    std::string message;  // "%P" stands for the table's path
};

class DbfBrokenHeaderTest : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(DbfBrokenHeaderTest, OpenFailsWithAMessageNamingTheFile) {
    const BrokenCase& c = GetParam();
    TempFolder folder;
    std::string bytes = validTable(folder, c.level7);
    c.damage(bytes);
    test::writeBytes(folder / "T.DBF", bytes);
    std::string path = (folder / "T.DBF").string();
    std::string expected = c.message;
    expected.replace(expected.find("%P"), 2, path);

    Table table(folder.path(), "T.DBF");
    try {
        table.open(OpenMode::Shared);
        FAIL() << "opened a damaged table";
    } catch (const TableError& e) {
        EXPECT_EQ(std::string(e.what()), expected);
        EXPECT_EQ(e.file(), path);
    }
    EXPECT_FALSE(table.active());
    // The failed open holds nothing.
    Table other(folder.path(), "T.DBF");
    EXPECT_THROW(other.open(OpenMode::Exclusive), TableError);  // still damaged, but not "en uso"
    try {
        other.open(OpenMode::Exclusive);
    } catch (const TableError& e) {
        EXPECT_EQ(std::string(e.what()).find("en uso"), std::string::npos);
    }
}

void setU16(std::string& b, size_t at, unsigned v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

// Level IV fixture: header 97 bytes, rows of 16, file 130 bytes.
// Level 7 fixture: header 68 + 2*48 + 1 + 16 = 181 bytes, rows of 9, file 200 bytes.
INSTANTIATE_TEST_SUITE_P(
    Fixtures, DbfBrokenHeaderTest,
    ::testing::Values(
        BrokenCase{
            "TooShort", false, [](std::string& b) { b.resize(10); },
            "La tabla %P está dañada: el archivo mide 10 bytes, menos que una cabecera dBase"},
        BrokenCase{"UnknownVersion", false, [](std::string& b) { b[0] = 0x07; },
                   "No se puede abrir %P: no es una tabla dBase (byte de versión 0x07)"},
        BrokenCase{"HeaderLongerThanFile", false, [](std::string& b) { setU16(b, 8, 500); },
                   "La tabla %P está dañada: la longitud de la cabecera (500 bytes) supera el "
                   "tamaño del archivo (130 bytes)"},
        BrokenCase{"HeaderShorterThanMinimum", false, [](std::string& b) { setU16(b, 8, 20); },
                   "La tabla %P está dañada: la longitud de la cabecera (20 bytes) es menor que "
                   "el mínimo de 33"},
        BrokenCase{"CountBeyondFile", false, [](std::string& b) { b[4] = 9; },
                   "La tabla %P está dañada: la cabecera indica 9 filas, pero el archivo (130 "
                   "bytes) solo puede contener 2"},
        BrokenCase{"HugeCount", false, [](std::string& b) { b[4] = b[5] = b[6] = b[7] = '\xFF'; },
                   "La tabla %P está dañada: la cabecera indica 4294967295 filas, pero el archivo "
                   "(130 bytes) solo puede contener 2"},
        BrokenCase{"TruncatedLastRow", false, [](std::string& b) { b.resize(97 + 16 + 10); },
                   "La tabla %P está dañada: la última fila está incompleta"},
        BrokenCase{"NoTerminator", false, [](std::string& b) { b[96] = 'X'; },
                   "La tabla %P está dañada: falta el terminador de la lista de campos"},
        BrokenCase{"ZeroLengthField", false, [](std::string& b) { b[32 + 16] = 0; },
                   "La tabla %P está dañada: el campo COD tiene longitud cero"},
        BrokenCase{"RecordShorterThanFields", false, [](std::string& b) { setU16(b, 10, 10); },
                   "La tabla %P está dañada: la longitud de fila (10 bytes) es menor que la suma "
                   "de los campos (16 bytes)"},
        BrokenCase{"ZeroRecordLength", false, [](std::string& b) { setU16(b, 10, 0); },
                   "La tabla %P está dañada: la longitud de fila (0 bytes) es menor que la suma "
                   "de los campos (16 bytes)"},
        BrokenCase{"NamelessField", false,
                   [](std::string& b) { std::fill(b.begin() + 32, b.begin() + 43, '\0'); },
                   "La tabla %P está dañada: el campo 1 no tiene nombre"},
        BrokenCase{"NoFields", false,
                   [](std::string& b) {
                       b[32] = 0x0D;
                       setU16(b, 8, 33);
                   },
                   "La tabla %P está dañada: la tabla no tiene campos"},
        BrokenCase{"Level7NoTerminator", true, [](std::string& b) { b[164] = 'X'; },
                   "La tabla %P está dañada: falta el terminador de la lista de campos"},
        BrokenCase{"Level7WrongBinaryWidth", true, [](std::string& b) { b[68 + 48 + 33] = 3; },
                   "La tabla %P está dañada: el campo NUMERO_LARGO de tipo I mide 3 bytes en vez "
                   "de 4"},
        BrokenCase{"Level7TruncatedLastRow", true, [](std::string& b) { b.resize(181 + 9 + 4); },
                   "La tabla %P está dañada: la última fila está incompleta"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DbfReading, MissingEndMarkerIsTolerated) {
    TempFolder folder;
    std::string bytes = validTable(folder, false);
    bytes.pop_back();
    test::writeBytes(folder / "T.DBF", bytes);
    Table table(folder.path(), "T.DBF");
    table.open(OpenMode::Exclusive);
    EXPECT_EQ(table.recordCount(), 2);
    table.last();
    EXPECT_EQ(table.asString("COD"), "C2");
    table.append();
    table.setString("COD", "C3");
    table.post();
    table.close();
    bytes = test::readBytes(folder / "T.DBF");
    EXPECT_EQ(bytes.size(), 97u + 3 * 16 + 1);
    EXPECT_EQ(bytes.back(), '\x1A');
}

// Tables as other programs write them: every version byte, both descriptor sizes, deleted rows,
// memo fields, FoxPro's backlink, with and without end marker.
struct ForeignCase {
    std::uint8_t version;
    bool endMarker;
};

class DbfForeignTest : public ::testing::TestWithParam<ForeignCase> {};

TEST_P(DbfForeignTest, ReadsEveryKnownVersion) {
    const std::uint8_t version = GetParam().version;
    const bool level7 = (version & 0x07) == 4;
    const bool fox = version == 0x30 || version == 0x31;
    struct F {
        std::string name;
        char type;
        int width;
        int decimals;
    };
    std::vector<F> fields{{"NAME", 'C', 6, 0}, {"QTY", 'N', 5, 1}, {"RATE", 'F', 8, 3},
                          {"OK", 'L', 1, 0},   {"DAY", 'D', 8, 0}, {"NOTES", 'M', 10, 0}};
    if (level7) {
        fields.push_back({"COUNT", 'I', 4, 0});
        fields.push_back({"VALUE", 'O', 8, 0});
    }
    if (fox) {
        fields.push_back({"COUNT", 'I', 4, 0});
    }
    int recordLength = 1;
    for (const F& f : fields) {
        recordLength += f.width;
    }
    const size_t main = level7 ? 68 : 32;
    const size_t descriptor = level7 ? 48 : 32;
    const size_t extra = fox ? 263 : (level7 ? 16 : 0);
    const size_t headerLength = main + descriptor * fields.size() + 1 + extra;
    Bytes b(main);
    b.u8(0, version).u8(1, 99).u8(2, 5).u8(3, 17).u32(4, 3);
    b.u16(8, static_cast<unsigned>(headerLength)).u16(10, recordLength).u8(29, fox ? 0x03 : 0x57);
    size_t at = main;
    for (const F& f : fields) {
        b.text(at, f.name);
        if (level7) {
            b.u8(at + 32, f.type).u8(at + 33, f.width).u8(at + 34, f.decimals);
        } else {
            b.u8(at + 11, f.type).u8(at + 16, f.width).u8(at + 17, f.decimals);
        }
        at += descriptor;
    }
    b.u8(at, 0x0D);
    b.u8(headerLength - 1, extra > 0 ? 0 : 0x0D);
    std::string row1 = " Ana     2.5  -0.125T20240131         1";
    std::string row2 = "*Bea     1.0   1.000F20240101          ";
    std::string row3 = std::string(1 + 6 + 5 + 8 + 1 + 8 + 10, ' ');
    if (level7) {
        row1 += be({0x80, 0, 0, 7}) + be({0xC0, 0x04, 0, 0, 0, 0, 0, 0});
        row2 += be({0x80, 0, 0, 8}) + be({0xC0, 0x04, 0, 0, 0, 0, 0, 0});
        row3 += std::string(12, '\0');
    }
    if (fox) {
        row1 += be({7, 0, 0, 0});
        row2 += be({8, 0, 0, 0});
        row3 += be({0xFE, 0xFF, 0xFF, 0xFF});
    }
    std::string bytes = b.str() + row1 + row2 + row3 + (GetParam().endMarker ? "\x1A" : "");
    TempFolder folder;
    test::writeBytes(folder / "FOREIGN.DBF", bytes);

    Table table(folder.path(), "foreign.dbf");
    table.open(OpenMode::Shared);
    ASSERT_EQ(table.recordCount(), 2);
    EXPECT_EQ(table.fields().size(), fields.size());
    EXPECT_EQ(table.asString("name"), "Ana");
    EXPECT_EQ(table.asString("QTY"), "2.5");
    EXPECT_EQ(table.asString("RATE"), "-0.125");
    EXPECT_EQ(table.asString("OK"), "True");
    EXPECT_TRUE(table.asBoolean("OK"));
    EXPECT_EQ(table.asString("DAY"), "20240131");
    EXPECT_EQ(table.asString("NOTES"), "");
    if (level7) {
        EXPECT_EQ(table.asInteger("COUNT"), 7);
        EXPECT_DOUBLE_EQ(table.asFloat("VALUE"), 2.5);
    }
    if (fox) {
        EXPECT_EQ(table.asInteger("COUNT"), 7);
    }
    table.next();
    EXPECT_FALSE(table.eof());
    EXPECT_EQ(table.asString("NAME"), "");
    EXPECT_EQ(table.asString("QTY"), "");
    EXPECT_TRUE(table.isNull("QTY"));
    EXPECT_EQ(table.asString("OK"), "");
    EXPECT_EQ(table.asString("DAY"), "");
    EXPECT_EQ(table.asInteger("QTY"), 0);
    if (level7) {
        EXPECT_TRUE(table.isNull("COUNT"));
        EXPECT_TRUE(table.isNull("VALUE"));
    }
    if (fox) {
        EXPECT_EQ(table.asInteger("COUNT"), -2);
    }
    table.next();
    EXPECT_TRUE(table.eof());
}

INSTANTIATE_TEST_SUITE_P(Versions, DbfForeignTest,
                         ::testing::Values(ForeignCase{0x02, true}, ForeignCase{0x03, false},
                                           ForeignCase{0x04, true}, ForeignCase{0x30, true},
                                           ForeignCase{0x31, false}, ForeignCase{0x43, true},
                                           ForeignCase{0x63, true}, ForeignCase{0x83, false},
                                           ForeignCase{0x8B, true}, ForeignCase{0x8C, false},
                                           ForeignCase{0xCB, true}, ForeignCase{0xF5, true},
                                           ForeignCase{0xFB, false}),
                         [](const auto& info) {
                             char name[16];
                             std::snprintf(name, sizeof name, "V%02X", info.param.version);
                             return std::string(name);
                         });

// Random damage to the header and the first rows: every outcome is either a table that reads
// without error or a TableError, never a crash or a read outside the bytes. Most rounds parse in
// memory; some go through the file and the table object.
TEST(DbfReading, RandomlyDamagedHeadersNeverCrash) {
    TempFolder folder;
    const std::string pristine[2] = {validTable(folder, false), validTable(folder, true)};
    std::mt19937 random(20261211);
    int opened = 0;
    int refused = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string bytes = pristine[round % 2];
        int flips = 1 + static_cast<int>(random() % 4);
        for (int f = 0; f < flips; ++f) {
            size_t at = random() % std::min<size_t>(bytes.size(), 200);
            bytes[at] = static_cast<char>(random() % 256);
        }
        if (random() % 5 == 0) {
            bytes.resize(random() % (bytes.size() + 1));
        }
        try {
            if (round % 50 == 0) {
                test::writeBytes(folder / "T.DBF", bytes);
                Table table(folder.path(), "T.DBF");
                table.open(OpenMode::Shared);
                for (table.first(); !table.eof(); table.next()) {
                    for (const FieldDef& field : table.fields()) {
                        (void)table.asString(field.name);
                        (void)table.isNull(field.name);
                    }
                }
            } else {
                // Exactly the bytes: a read past the end would leave the buffer.
                std::unique_ptr<char[]> exact(new char[bytes.size()]);
                std::memcpy(exact.get(), bytes.data(), bytes.size());
                std::string_view file(exact.get(), bytes.size());
                dbf::Header header = dbf::parseHeader(file, "T.DBF");
                for (std::uint32_t r = 0; r < header.recordCount; ++r) {
                    std::string_view record = file.substr(
                        header.headerLength + size_t{r} * header.recordLength, header.recordLength);
                    ASSERT_EQ(record.size(), header.recordLength);
                    for (const dbf::Field& field : header.fields) {
                        ASSERT_LE(size_t(field.offset + field.width), record.size());
                        (void)dbf::displayText(field, record.substr(field.offset, field.width));
                    }
                }
            }
            ++opened;
        } catch (const TableError&) {
            ++refused;
        }
    }
    EXPECT_GT(opened, 0);
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace qv
