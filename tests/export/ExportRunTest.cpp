// The export run's paths, driven through a fake port.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "export/ExportRun.h"
#include "services/Error.h"
#include "services/Session.h"
#include "services/UserPort.h"

namespace fs = std::filesystem;

namespace {

const char* const kTables[] = {"ASIGNOMT.DBF",    "ASIGNOMT2.DBF", "PROFT.DBF", "AULAT.DBF",
                               "CURSOST.DBF",     "GRUPOST.DBF",   "ASIGT.DBF", "DIASHORAST.DBF",
                               "DIASHORAST2.DBF", "PERIODOS.DBF"};

// One school day with two slots: the smallest document every step goes through.
const char* const kOneSchoolDay = R"(<?xml version="1.0" encoding="UTF-8"?>
<SERVICIO><BLOQUE_DATOS>
<grupo_datos seq="JORNADAS_ESCOLARES"><grupo_datos>
<dato nombre_dato="X_JORNADA">7</dato><dato nombre_dato="D_JORNADA">Mañana</dato>
<dato nombre_dato="F_INICIO">15/09/2026</dato><dato nombre_dato="F_FIN">22/06/2027</dato>
</grupo_datos></grupo_datos>
<grupo_datos seq="TRAMOS_HORARIOS">
<grupo_datos><dato>71</dato><dato>1ª</dato><dato>480</dato><dato>540</dato><dato>7</dato></grupo_datos>
<grupo_datos><dato>72</dato><dato>2ª</dato><dato>540</dato><dato>600</dato><dato>7</dato></grupo_datos>
</grupo_datos>
</BLOQUE_DATOS></SERVICIO>
)";

// What the fake saw, in order, and the cursor state at each message.
class FakePort : public qv::UserPort {
public:
    std::optional<fs::path> answer;
    std::string hourTemplate;

    std::vector<std::string> messages;
    std::vector<bool> cursorAtMessage;
    std::vector<fs::path> templateAsked;
    std::vector<bool> cursorAtTemplate;
    int closes = 0;
    int cursorOns = 0;
    bool cursor = false;

    std::optional<fs::path> chooseExchangeDocument() override { return answer; }
    void showMessage(const std::string& text) override {
        messages.push_back(text);
        cursorAtMessage.push_back(cursor);
    }
    void setWaitCursor(bool on) override {
        cursor = on;
        cursorOns += on ? 1 : 0;
    }
    std::string chooseHourTemplate(const fs::path& documentPath) override {
        templateAsked.push_back(documentPath);
        cursorAtTemplate.push_back(cursor);
        return hourTemplate;
    }
    void completeTeacherData() override { ADD_FAILURE() << "the export asks for no teacher data"; }
    void closeMainWindow() override { ++closes; }
};

class ExportRun : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qv-export-run-XXXXXX").string();
        m_root = mkdtemp(pattern.data());
        fs::create_directories(programFolder());
        fs::copy_file(fs::path(TM_BIN_DIR) / "NIVELCAN.DBF", programFolder() / "NIVELCAN.DBF");
        m_session = std::make_unique<qv::Session>(workFolder(), programFolder());
    }
    void TearDown() override {
        m_session.reset();
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    fs::path workFolder() const { return m_root / "drive_c" / "VTEMP"; }
    fs::path programFolder() const { return m_root / "programa"; }
    qv::Session& session() { return *m_session; }

    fs::path writeDocument(const std::string& name, const std::string& bytes) {
        const fs::path path = m_root / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // A work folder holding one earlier file, to see that a run left it alone.
    void prepareEarlierWorkFolder() {
        fs::create_directories(workFolder());
        std::ofstream(workFolder() / "PROFT.DBF", std::ios::binary) << "anterior";
    }
    bool earlierWorkFolderUntouched() const {
        std::ifstream in(workFolder() / "PROFT.DBF", std::ios::binary);
        std::string content((std::istreambuf_iterator<char>(in)), {});
        return content == "anterior" &&
               std::distance(fs::directory_iterator(workFolder()), fs::directory_iterator()) == 1;
    }

    FakePort port;

private:
    fs::path m_root;
    std::unique_ptr<qv::Session> m_session;
};

TEST_F(ExportRun, NoDocumentSaysSoAndEndsTheEmbeddedRun) {
    struct Case {
        const char* name;
        bool embedded;
        bool typedName;  // a name typed into the dialog that does not exist, else cancelled
    };
    const Case cases[] = {{"stand-alone, cancelled", false, false},
                          {"stand-alone, typed name", false, true},
                          {"embedded, cancelled", true, false},
                          {"embedded, typed name", true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePort fresh;
        if (c.typedName) {
            fresh.answer = workFolder().parent_path() / "no-existe.xml";
        }
        session().ModoIntegrado = c.embedded ? 2 : 0;
        session().ResultadoTraspaso = 0;
        qv::BExportarClick(session(), fresh);
        EXPECT_EQ(fresh.messages, std::vector<std::string>{"No existe archivo"});
        EXPECT_EQ(session().ResultadoTraspaso, c.embedded ? -1 : 0);
        EXPECT_EQ(fresh.closes, c.embedded ? 1 : 0);
        EXPECT_EQ(fresh.cursorOns, 0);
        EXPECT_EQ(session().DocumentoXML, nullptr);
        EXPECT_FALSE(fs::exists(workFolder()));
    }
}

TEST_F(ExportRun, MissingLevelTableOnlySaysSo) {
    fs::remove(programFolder() / "NIVELCAN.DBF");
    prepareEarlierWorkFolder();
    port.answer = writeDocument("doc.xml", kOneSchoolDay);
    session().ModoIntegrado = 2;
    session().ResultadoTraspaso = 7;
    qv::BExportarClick(session(), port);
    EXPECT_EQ(port.messages, std::vector<std::string>{
                                 "ATENCIÓN - NIVELCAN.DBF No encontrado - Reinstale QUORVANE"});
    EXPECT_EQ(session().ResultadoTraspaso, 7);
    EXPECT_EQ(port.closes, 0);
    EXPECT_EQ(port.cursorOns, 0);
    EXPECT_EQ(session().DocumentoXML, nullptr);
    EXPECT_EQ(session().ArchivoXML, *port.answer);
    EXPECT_TRUE(earlierWorkFolderUntouched());
}

TEST_F(ExportRun, LevelTableFoundWhateverItsLetterCase) {
    fs::rename(programFolder() / "NIVELCAN.DBF", programFolder() / "nivelcan.dbf");
    port.answer = writeDocument("doc.xml", kOneSchoolDay);
    qv::BExportarClick(session(), port);
    EXPECT_EQ(port.messages, std::vector<std::string>{"Proceso finalizado"});
}

TEST_F(ExportRun, FileThatIsNoExchangeDocumentIsReportedBeforeAnyTable) {
    struct Case {
        const char* name;
        const char* bytes;
        std::vector<std::string> inMessage;
    };
    const Case cases[] = {
        {"not XML", "esto no es XML\n", {"no es un documento XML válido", "línea 1"}},
        {"not well-formed",
         "<SERVICIO>\n<BLOQUE_DATOS>\n</SERVICIO>\n",
         {"no es un documento XML válido", "línea 3"}},
        {"empty file", "", {"no es un documento XML válido"}},
        {"no data block",
         "<SERVICIO><OTRO/></SERVICIO>",
         {"no es un documento de intercambio", "/SERVICIO/BLOQUE_DATOS"}},
        {"another root", "<BLOQUE_DATOS/>", {"/SERVICIO/BLOQUE_DATOS"}},
    };
    prepareEarlierWorkFolder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePort fresh;
        fresh.answer = writeDocument("malo.xml", c.bytes);
        session().ModoIntegrado = 2;
        session().ResultadoTraspaso = 7;
        try {
            qv::BExportarClick(session(), fresh);
            ADD_FAILURE() << "no error";
        } catch (const qv::Error& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find(fresh.answer->string()), std::string::npos) << text;
            for (const std::string& part : c.inMessage) {
                EXPECT_NE(text.find(part), std::string::npos) << text;
            }
        }
        EXPECT_TRUE(fresh.messages.empty());
        EXPECT_EQ(session().ResultadoTraspaso, 7);
        EXPECT_EQ(fresh.closes, 0);
        EXPECT_FALSE(fresh.cursor);
        EXPECT_TRUE(earlierWorkFolderUntouched());
    }
}

TEST_F(ExportRun, CompletedRunRebuildsTheTablesAndCreatesTheWorkFolder) {
    for (const bool embedded : {false, true}) {
        SCOPED_TRACE(embedded ? "embedded" : "stand-alone");
        FakePort fresh;
        fresh.answer = writeDocument("doc.xml", kOneSchoolDay);
        std::error_code ec;
        fs::remove_all(workFolder(), ec);
        session().ModoIntegrado = embedded ? 2 : 0;
        session().ResultadoTraspaso = 0;
        qv::BExportarClick(session(), fresh);
        EXPECT_EQ(fresh.messages, std::vector<std::string>{"Proceso finalizado"});
        EXPECT_EQ(fresh.cursorAtMessage, std::vector<bool>{false});
        EXPECT_EQ(fresh.cursorOns, 1);
        EXPECT_FALSE(fresh.cursor);
        EXPECT_TRUE(fresh.templateAsked.empty());  // one school day: no dialog
        EXPECT_EQ(session().ResultadoTraspaso, 1);
        EXPECT_EQ(fresh.closes, embedded ? 1 : 0);
        EXPECT_EQ(session().JornadaPlantilla, "7");
        ASSERT_NE(session().DocumentoXML, nullptr);
        for (const char* table : kTables) {
            EXPECT_TRUE(fs::is_regular_file(workFolder() / table)) << table;
        }
    }
}

TEST_F(ExportRun, CancelledDialogRunsAgainOnTheEarlierFile) {
    port.answer = writeDocument("doc.xml", kOneSchoolDay);
    qv::BExportarClick(session(), port);
    FakePort second;  // cancels
    qv::BExportarClick(session(), second);
    EXPECT_EQ(second.messages, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_EQ(session().ArchivoXML, *port.answer);
}

TEST_F(ExportRun, SeveralSchoolDaysAskForTheTemplateUnderTheWaitCursor) {
    port.answer = fs::path(TM_SOURCE_DIR) / "data" / "ejemplo.xml";
    port.hourTemplate = "2";
    qv::BExportarClick(session(), port);
    EXPECT_EQ(port.templateAsked, std::vector<fs::path>{*port.answer});
    EXPECT_EQ(port.cursorAtTemplate, std::vector<bool>{true});
    EXPECT_EQ(session().JornadaPlantilla, "2");
    EXPECT_EQ(port.messages, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_EQ(session().ResultadoTraspaso, 1);
}

TEST_F(ExportRun, WorkFolderThatCannotBeWrittenIsAnError) {
    fs::create_directories(workFolder().parent_path());
    std::ofstream(workFolder(), std::ios::binary) << "un archivo, no una carpeta";
    port.answer = writeDocument("doc.xml", kOneSchoolDay);
    session().ModoIntegrado = 2;
    EXPECT_THROW(qv::BExportarClick(session(), port), qv::Error);
    EXPECT_TRUE(port.messages.empty());
    EXPECT_EQ(session().ResultadoTraspaso, 0);
    EXPECT_EQ(port.closes, 0);
    EXPECT_EQ(port.cursorOns, 1);
    EXPECT_FALSE(port.cursor);
}

TEST_F(ExportRun, StepThatFailsEndsTheRunWithTheCursorRestored) {
    std::string bad = kOneSchoolDay;
    bad.replace(bad.find("<dato>540</dato><dato>600</dato>"),
                std::string("<dato>540</dato>").size(), "<dato>nueve</dato>");
    port.answer = writeDocument("doc.xml", bad);
    session().ModoIntegrado = 2;
    try {
        qv::BExportarClick(session(), port);
        ADD_FAILURE() << "no error";
    } catch (const qv::Error& e) {
        EXPECT_EQ(std::string(e.what()), "'nueve' no es un valor entero válido");
    }
    EXPECT_TRUE(port.messages.empty());
    EXPECT_EQ(session().ResultadoTraspaso, 0);
    EXPECT_EQ(port.closes, 0);
    EXPECT_FALSE(port.cursor);
    // Nothing of the failed run reached the work folder it created, not even the tables of the
    // steps that had finished.
    EXPECT_TRUE(fs::is_directory(workFolder()));
    EXPECT_TRUE(fs::is_empty(workFolder()));
}

}  // namespace
