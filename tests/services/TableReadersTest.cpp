// Tables the engine writes, read back by independent programs: Python's dbfread and
// python3-dbf for the rows, Perl's XBase (index_dump) for the production index.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>

#include "TableTestSupport.h"
#include "services/Table.h"

namespace qv {
namespace {

using test::TempFolder;

const char* const kPython = "/usr/bin/python3";

bool programExists(const char* path) {
    return ::access(path, X_OK) == 0;
}

std::string runCapturing(const std::string& command, int& status) {
    std::string output;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        status = -1;
        return {};
    }
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), n);
    }
    status = ::pclose(pipe);
    return output;
}

std::string tool(const char* name) {
    return std::string(TM_SOURCE_DIR) + "/tests/tools/" + name;
}

std::string shellQuoted(const std::string& text) {
    return "'" + text + "'";
}

bool pythonModulesPresent() {
    int status = 0;
    runCapturing(std::string(kPython) + " -c 'import dbfread, dbf'", status);
    return status == 0;
}

TEST(TableReaders, DbfreadAndPythonDbfReadEveryFieldNameTypeAndValue) {
    if (!programExists(kPython) || !pythonModulesPresent()) {
        GTEST_SKIP() << "python3-dbfread / python3-dbf not installed";
    }
    TempFolder folder;
    Table::create(folder.path(), "PROFT.DBF",
                  {textField("ABREV", 4), textField("NOMBRE", 12), integerField("DNI"),
                   floatField("HORAS"), logicalField("ACTIVO")});
    {
        Table table(folder.path(), "PROFT.DBF");
        table.open(OpenMode::Exclusive);
        table.append();
        table.setString("ABREV", "\xC1NG");
        table.setString("NOMBRE", "Mu\xF1oz P\xE9rez, Jos\xE9");  // longer than 12
        table.setInteger("DNI", 12345678);
        table.setFloat("HORAS", 2.5);
        table.setBoolean("ACTIVO", true);
        table.post();
        table.append();
        table.setString("ABREV", "B");
        table.post();
        table.append();
        table.setString("ABREV", "\xC7\x80");
        table.setString("NOMBRE", "  lead");
        table.setInteger("DNI", -42);
        table.setFloat("HORAS", -0.125);
        table.setBoolean("ACTIVO", false);
        table.post();
    }
    int status = 0;
    std::string output = runCapturing(std::string(kPython) + " " + tool("dbf_readers.py") + " " +
                                          shellQuoted((folder / "PROFT.DBF").string()),
                                      status);
    ASSERT_EQ(status, 0) << output;
    std::string expected;
    for (const char* reader : {"dbfread", "dbf"}) {
        std::string r(reader);
        expected += r + " field ABREV C 4 0\n" + r + " field NOMBRE C 12 0\n" + r +
                    " field DNI N 11 0\n" + r + " field HORAS N 20 4\n" + r +
                    " field ACTIVO L 1 0\n";
        std::string blankText = r == "dbf" ? "<null>" : "";
        expected += r + " row 1 ABREV=ÁNG|NOMBRE=Muñoz Pérez,|DNI=12345678|HORAS=2.5|ACTIVO=True\n";
        expected +=
            r + " row 2 ABREV=B|NOMBRE=" + blankText + "|DNI=<null>|HORAS=<null>|ACTIVO=<null>\n";
        expected += r + " row 3 ABREV=Ç€|NOMBRE=  lead|DNI=-42|HORAS=-0.125|ACTIVO=False\n";
    }
    EXPECT_EQ(output, expected);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

TEST(TableReaders, PerlXBaseListsTheIndexKeysInAscendingOrderWithRecordNumbers) {
    if (!programExists("/usr/bin/index_dump") || !programExists(kPython)) {
        GTEST_SKIP() << "Perl XBase (index_dump) not installed";
    }
    TempFolder folder;
    Table::create(folder.path(), "DIASHORAST2.DBF",
                  {textField("DIHO", 10), textField("HORA", 8), integerField("ORDEN")},
                  {{"ORDEN", "ORDEN"}, {"DIHO", "DIHO"}});
    // A few hundred rows, so the tag needs branch nodes, with equal and negative keys.
    std::vector<std::pair<int, int>> expected;  // (ORDEN, record number)
    {
        Table table(folder.path(), "DIASHORAST2.DBF");
        table.open(OpenMode::Exclusive);
        for (int i = 1; i <= 300; ++i) {
            int orden = (i * 53) % 97 * 15 - 120;
            table.append();
            table.setInteger("ORDEN", orden);
            table.setString("DIHO", std::to_string(i % 7 + 1) + std::to_string(i % 13 + 1));
            table.post();
            expected.emplace_back(orden, i);
        }
    }
    std::sort(expected.begin(), expected.end());
    int status = 0;
    std::string mdx = shellQuoted((folder / "DIASHORAST2.MDX").string());
    std::string output = runCapturing(
        std::string(kPython) + " " + tool("mdx_keys.py") + " " + mdx + " ORDEN numeric", status);
    ASSERT_EQ(status, 0) << output;
    std::vector<std::string> want;
    for (const auto& [orden, record] : expected) {
        want.push_back(std::to_string(orden) + " " + std::to_string(record));
    }
    EXPECT_EQ(lines(output), want);

    // The tag names, and the character tag in byte order.
    output = runCapturing("index_dump " + mdx, status);
    ASSERT_EQ(status, 0) << output;
    EXPECT_EQ(lines(output), (std::vector<std::string>{"DIHO", "ORDEN"}));
    output = runCapturing(
        std::string(kPython) + " " + tool("mdx_keys.py") + " " + mdx + " DIHO character", status);
    ASSERT_EQ(status, 0) << output;
    std::vector<std::pair<std::string, int>> keys;
    for (int i = 1; i <= 300; ++i) {
        std::string key = std::to_string(i % 7 + 1) + std::to_string(i % 13 + 1);
        keys.emplace_back(key + std::string(10 - key.size(), ' '), i);
    }
    std::sort(keys.begin(), keys.end());
    want.clear();
    for (const auto& [key, record] : keys) {
        want.push_back(key + " " + std::to_string(record));
    }
    EXPECT_EQ(lines(output), want);
}

TEST(TableReaders, FreePascalTDbfWalksTheIndexTreeInKeyOrder) {
    const char* fpc = "/usr/bin/fpc";
    const char* dbfUnit = "/usr/lib/x86_64-linux-gnu/fpc/3.2.2/units/x86_64-linux/fcl-db/dbf.ppu";
    if (!programExists(fpc) || ::access(dbfUnit, R_OK) != 0) {
        GTEST_SKIP() << "FreePascal with fp-units-db not installed";
    }
    TempFolder folder;
    int status = 0;
    std::string output =
        runCapturing(std::string(fpc) + " -O1 -FE" + shellQuoted(folder.path().string()) + " " +
                         shellQuoted(tool("tdbf_order.pas")),
                     status);
    ASSERT_EQ(status, 0) << output;

    Table::create(folder.path(), "DIASHORAST2.DBF", {textField("DIHO", 10), integerField("ORDEN")},
                  {{"ORDEN", "ORDEN"}});
    std::vector<std::pair<int, int>> expected;
    {
        Table table(folder.path(), "DIASHORAST2.DBF");
        table.open(OpenMode::Exclusive);
        for (int i = 1; i <= 300; ++i) {
            int orden = (i * 41) % 89 * 10 - 50;
            table.append();
            table.setInteger("ORDEN", orden);
            table.post();
            expected.emplace_back(orden, i);
        }
    }
    std::sort(expected.begin(), expected.end());
    // TDbf looks for the lower-case names on this system.
    std::filesystem::create_directory(folder / "lower");
    std::filesystem::copy_file(folder / "DIASHORAST2.DBF", folder / "lower" / "diashorast2.dbf");
    std::filesystem::copy_file(folder / "DIASHORAST2.MDX", folder / "lower" / "diashorast2.mdx");
    output =
        runCapturing(shellQuoted((folder / "tdbf_order").string()) + " " +
                         shellQuoted((folder / "lower" / "diashorast2.dbf").string()) + " ORDEN",
                     status);
    ASSERT_EQ(status, 0) << output;
    std::vector<std::string> want{"tag ORDEN"};
    for (const auto& entry : expected) {
        want.push_back(std::to_string(entry.second));
    }
    EXPECT_EQ(lines(output), want);
}

TEST(TableReaders, FreePascalTDbfReadsTheDbase7Tables) {
    const char* fpc = "/usr/bin/fpc";
    const char* dbfUnit = "/usr/lib/x86_64-linux-gnu/fpc/3.2.2/units/x86_64-linux/fcl-db/dbf.ppu";
    if (!programExists(fpc) || ::access(dbfUnit, R_OK) != 0) {
        GTEST_SKIP() << "FreePascal with fp-units-db not installed";
    }
    TempFolder folder;
    int status = 0;
    std::string output =
        runCapturing(std::string(fpc) + " -O1 -FE" + shellQuoted(folder.path().string()) + " " +
                         shellQuoted(tool("tdbf_dump.pas")),
                     status);
    ASSERT_EQ(status, 0) << output;
    Table::create(folder.path(), "nivelcan.dbf",
                  {integerField("X_OFERTAMATRIG"), textField("NIVEL_ABREV", 5), floatField("PESO"),
                   logicalField("ACTIVO")});
    {
        Table table(folder.path(), "nivelcan.dbf");
        table.open(OpenMode::Exclusive);
        table.append();
        table.setInteger("X_OFERTAMATRIG", 3101);
        table.setString("NIVEL_ABREV", "1\xBA ESO");  // longer than 5
        table.setFloat("PESO", -2.25);
        table.setBoolean("ACTIVO", true);
        table.post();
        table.append();
        table.post();
        table.append();
        table.setInteger("X_OFERTAMATRIG", -7);
        table.setFloat("PESO", 1e6);
        table.setBoolean("ACTIVO", false);
        table.post();
    }
    output = runCapturing(shellQuoted((folder / "tdbf_dump").string()) + " " +
                              shellQuoted((folder / "nivelcan.dbf").string()),
                          status);
    ASSERT_EQ(status, 0) << output;
    EXPECT_EQ(lines(output),
              (std::vector<std::string>{
                  "level 7", "field X_OFERTAMATRIG Integer 0", "field NIVEL_ABREV String 5",
                  "field PESO Float 0", "field ACTIVO Boolean 0",
                  "X_OFERTAMATRIG=3101|NIVEL_ABREV=1\xBA ES|PESO=-2.25|ACTIVO=True",
                  "X_OFERTAMATRIG=<null>|NIVEL_ABREV=<null>|PESO=<null>|ACTIVO=<null>",
                  "X_OFERTAMATRIG=-7|NIVEL_ABREV=<null>|PESO=1000000|ACTIVO=False"}));
}

}  // namespace
}  // namespace qv
