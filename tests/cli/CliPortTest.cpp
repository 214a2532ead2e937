// The CLI's answers to what a run asks: the document, the hour template, the teacher list.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/CliOptions.h"
#include "cli/CliPort.h"
#include "formats/WorkTables.h"
#include "services/Table.h"

namespace fs = std::filesystem;

namespace {

class CliPortTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qv-cliport-XXXXXX").string();
        m_root = mkdtemp(pattern.data());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    fs::path m_root;
};

TEST_F(CliPortTest, DocumentIsMadeAbsolute) {
    std::ostringstream out;
    qv::cli::CliPort port("sub/../doc.xml", std::nullopt, m_root, out);
    EXPECT_EQ(port.chooseExchangeDocument(), fs::current_path() / "doc.xml");
}

TEST_F(CliPortTest, HourTemplateFromTheOptionOrTheFirstSchoolDay) {
    const fs::path document = m_root / "doc.xml";
    std::ofstream(document, std::ios::binary)
        << "<SERVICIO><BLOQUE_DATOS><grupo_datos seq=\"JORNADAS_ESCOLARES\">"
           "<grupo_datos><dato> Mañana \n</dato></grupo_datos>"
           "<grupo_datos><dato>T</dato><dato>Tarde</dato></grupo_datos>"
           "</grupo_datos></BLOQUE_DATOS></SERVICIO>";
    struct Case {
        std::optional<std::string> option;
        std::string key;  // ANSI
        std::string said;
    };
    const Case cases[] = {
        // The dialog lists every record's item 0, the first one even with a single item.
        {std::nullopt,
         "Ma\xF1"
         "ana",
         "Plantilla horaria: 'Mañana' (la primera jornada del documento)\n"},
        {std::string("  T\t"), "T", "Plantilla horaria: 'T'\n"},
        {std::string("Ñ"), "\xD1", "Plantilla horaria: 'Ñ'\n"},
    };
    for (const Case& c : cases) {
        std::ostringstream out;
        qv::cli::CliPort port(document, c.option, m_root, out);
        EXPECT_EQ(port.chooseHourTemplate(document), c.key);
        EXPECT_EQ(out.str(), c.said);
    }
}

TEST_F(CliPortTest, TeacherDataListsTheIncompleteTeachers) {
    qv::Table::create(m_root, qv::tablas::PROFT);
    qv::Table proft(m_root, "PROFT.DBF");
    proft.open(qv::OpenMode::Exclusive);
    // Table values are ANSI (Windows-1252).
    const char* const rows[][4] = {
        {"GAR",
         "Garc\xED"
         "a P\xE9"
         "rez",
         "123", "01/09/2020"},
        {"LOP",
         "L\xF3"
         "pez",
         "", "01/09/2021"},
        {"RUI", "Ruiz", "77", ""},
    };
    for (const auto& row : rows) {
        proft.append();
        proft.setString("ABREV", row[0]);
        proft.setString("NOMBRE", row[1]);
        proft.setString("X_EMPLEADO", row[2]);
        proft.setString("F_TOMAPOS", row[3]);
        proft.post();
    }
    proft.close();

    std::ostringstream out;
    qv::cli::CliPort port(m_root / "doc.xml", std::nullopt, m_root, out);
    port.completeTeacherData();
    EXPECT_EQ(out.str(), "Profesores sin todos los datos en PROFT:\nLOP López\nRUI Ruiz\n");
    EXPECT_FALSE(port.closedMainWindow());
    port.closeMainWindow();
    EXPECT_TRUE(port.closedMainWindow());
}

TEST(CliOptions, ReadsTheTwoRunsAndNothingElse) {
    using Action = qv::cli::CliOptions::Action;
    const auto exportar = qv::cli::parseCliOptions({"exportar", "a.xml", "--plantilla", "2"});
    ASSERT_TRUE(exportar);
    EXPECT_EQ(exportar->action, Action::exportar);
    EXPECT_EQ(exportar->file, "a.xml");
    EXPECT_EQ(exportar->plantilla, std::optional<std::string>("2"));
    const auto before = qv::cli::parseCliOptions({"exportar", "--plantilla", "2", "a.xml"});
    ASSERT_TRUE(before);
    EXPECT_EQ(before->file, "a.xml");
    const auto importar = qv::cli::parseCliOptions({"importar", "b.xml"});
    ASSERT_TRUE(importar);
    EXPECT_EQ(importar->action, Action::importar);
    EXPECT_FALSE(importar->plantilla);
    EXPECT_FALSE(
        qv::cli::parseCliOptions({"exportar", "a.xml", "--plantilla", "1", "--plantilla", "2"}));
    EXPECT_FALSE(qv::cli::parseCliOptions({"EXPORTAR", "a.xml"}));
}

}  // namespace
