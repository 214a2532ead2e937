// Tables of a private folder keep posted rows in memory and write them at close: the files come
// out as writing through would make them, every object of the process still sees every row,
// and a write that fails is never lost silently.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FileSizeLimit.h"
#include "TableTestSupport.h"
#include "services/Error.h"
#include "services/LittleEndian.h"
#include "services/PrivateFolder.h"
#include "services/Table.h"

namespace qv {
namespace {

using test::FileSizeLimit;
using test::TempFolder;

const std::vector<FieldDef> kFields{textField("CLAVE", 6), integerField("ORDEN"),
                                    textField("NOMBRE", 30)};

std::vector<std::string> column(Table& table, const std::string& field) {
    std::vector<std::string> values;
    for (table.first(); !table.eof(); table.next()) {
        values.push_back(table.asString(field));
    }
    return values;
}

// The record count of the header as it is on disk.
std::uint32_t countOnDisk(const std::filesystem::path& dbf) {
    const std::string bytes = test::readBytes(dbf);
    return bytes.size() < 8 ? 0 : dbf::readU32(bytes, 4);
}

void addRow(Table& table, const std::string& clave, int orden) {
    table.append();
    table.setString("CLAVE", clave);
    table.setInteger("ORDEN", orden);
    table.setString("NOMBRE", "Nombre " + clave);
    table.post();
}

// Appends, edits early and late rows, and appends again; keys descending so the index has work.
void writeScenario(Table& table) {
    for (int i = 0; i < 60; ++i) {
        addRow(table, "K" + std::to_string(i), 1000 - i);
    }
    table.setRecNo(3);
    table.edit();
    table.setString("NOMBRE", "Cambiado");
    table.setInteger("ORDEN", 5);
    table.post();
    table.setRecNo(40);
    table.edit();
    table.setString("NOMBRE", "También cambiado");
    table.post();
    addRow(table, "ULTIMA", -7);
}

TEST(PrivateFolderTables, WriteTheSameFilesAsWritingThroughAndOnlyAtClose) {
    struct Caso {
        const char* nombre;
        std::vector<IndexDef> indexes;
    };
    const Caso casos[] = {
        {"no index", {}},
        {"numeric and text tags", {{"ORDEN", "ORDEN"}, {"CLAVE", "CLAVE"}}},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        TempFolder through;
        TempFolder kept;
        PrivateFolder registration(kept.path());
        for (const TempFolder* folder : {&through, &kept}) {
            Table::create(folder->path(), "TABLA.DBF", kFields, caso.indexes, test::fixedClock());
            Table table(folder->path(), "TABLA.DBF");
            table.setDateSource(test::fixedClock());
            table.open(OpenMode::Shared);
            writeScenario(table);
            const std::uint32_t expected = folder == &through ? 61 : 0;
            EXPECT_EQ(countOnDisk(folder->path() / "TABLA.DBF"), expected);
            table.close();
        }
        EXPECT_EQ(countOnDisk(kept / "TABLA.DBF"), 61u);
        EXPECT_EQ(test::readBytes(kept / "TABLA.DBF"), test::readBytes(through / "TABLA.DBF"));
        if (!caso.indexes.empty()) {
            EXPECT_EQ(test::readBytes(kept / "TABLA.MDX"), test::readBytes(through / "TABLA.MDX"));
        }
    }
}

TEST(PrivateFolderTables, OtherObjectsOfTheProcessSeeEveryPostedRow) {
    TempFolder folder;
    PrivateFolder registration(folder.path());
    Table::create(folder.path(), "TABLA.DBF", kFields, {{"ORDEN", "ORDEN"}});
    Table writer(folder.path(), "TABLA.DBF");
    writer.open(OpenMode::Shared);
    addRow(writer, "A", 3);
    addRow(writer, "B", 1);

    // Opening reads the rows the writer still holds.
    Table reader(folder.path(), "tabla.dbf");
    reader.open(OpenMode::Shared);
    EXPECT_EQ(column(reader, "CLAVE"), (std::vector<std::string>{"A", "B"}));

    // So does going back to the first row, in index order too.
    addRow(writer, "C", 2);
    reader.setIndexName("ORDEN");
    EXPECT_EQ(column(reader, "CLAVE"), (std::vector<std::string>{"B", "C", "A"}));
    reader.setIndexName("");

    // Both append and edit: neither overwrites the other's rows.
    addRow(reader, "D", 4);
    addRow(writer, "E", 5);
    writer.first();
    writer.edit();
    writer.setString("NOMBRE", "Editado");
    writer.post();
    EXPECT_EQ(column(reader, "CLAVE"), (std::vector<std::string>{"A", "B", "C", "D", "E"}));
    reader.first();
    EXPECT_EQ(reader.asString("NOMBRE"), "Editado");
    EXPECT_EQ(column(writer, "CLAVE"), (std::vector<std::string>{"A", "B", "C", "D", "E"}));

    // An exclusive open after both closed finds all of it on disk, the index included.
    writer.close();
    reader.close();
    EXPECT_EQ(countOnDisk(folder / "TABLA.DBF"), 5u);
    Table after(folder.path(), "TABLA.DBF");
    after.open(OpenMode::Exclusive);
    after.setIndexName("ORDEN");
    EXPECT_EQ(column(after, "CLAVE"), (std::vector<std::string>{"B", "C", "A", "D", "E"}));
}

TEST(PrivateFolderTables, RowsThatCannotBeWrittenAreReported) {
    TempFolder folder;
    const std::string expected = "No se puede escribir en " + (folder / "TABLA.DBF").string() +
                                 ": el archivo supera el tamaño máximo permitido";

    // Closing raises it, and the table is closed all the same.
    {
        PrivateFolder registration(folder.path());
        Table::create(folder.path(), "TABLA.DBF", kFields);
        Table table(folder.path(), "TABLA.DBF");
        table.open(OpenMode::Shared);
        FileSizeLimit limit(2000);
        for (int i = 0; i < 100; ++i) {
            addRow(table, std::to_string(i), i);
        }
        try {
            table.close();
            ADD_FAILURE() << "no error";
        } catch (const TableError& e) {
            EXPECT_EQ(std::string(e.what()), expected);
        }
        EXPECT_FALSE(table.active());
        EXPECT_NO_THROW(registration.writePending()) << "close already reported it";
    }

    // A table closed by its destructor cannot raise it: the folder does, before its files are
    // used.
    PrivateFolder registration(folder.path());
    Table::create(folder.path(), "TABLA.DBF", kFields);
    {
        FileSizeLimit limit(2000);  // outlives the table
        Table table(folder.path(), "TABLA.DBF");
        table.open(OpenMode::Shared);
        for (int i = 0; i < 100; ++i) {
            addRow(table, std::to_string(i), i);
        }
    }
    try {
        registration.writePending();
        ADD_FAILURE() << "no error";
    } catch (const TableError& e) {
        EXPECT_EQ(std::string(e.what()), expected);
    }
}

TEST(PrivateFolderTables, RegistrationEndsWithTheObjectAndNeedsAFolder) {
    TempFolder folder;
    { PrivateFolder registration(folder.path()); }
    Table::create(folder.path(), "TABLA.DBF", kFields);
    Table table(folder.path(), "TABLA.DBF");
    table.open(OpenMode::Shared);
    addRow(table, "A", 1);
    EXPECT_EQ(countOnDisk(folder / "TABLA.DBF"), 1u) << "an ordinary folder again: written at once";

    EXPECT_THROW(PrivateFolder(folder / "nada"), Error);
}

}  // namespace
}  // namespace qv
