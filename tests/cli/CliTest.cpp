// quorvane-cli from the outside: what it prints and the status it ends with.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* const kOneSchoolDay = R"(<?xml version="1.0" encoding="UTF-8"?>
<SERVICIO><BLOQUE_DATOS>
<grupo_datos seq="JORNADAS_ESCOLARES"><grupo_datos>
<dato>7</dato><dato>Mañana</dato><dato>15/09/2026</dato><dato>22/06/2027</dato>
</grupo_datos></grupo_datos>
<grupo_datos seq="TRAMOS_HORARIOS">
<grupo_datos><dato>71</dato><dato>1ª</dato><dato>480</dato><dato>540</dato><dato>7</dato></grupo_datos>
</grupo_datos>
</BLOQUE_DATOS></SERVICIO>
)";

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class Cli : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qv-cli-XXXXXX").string();
        m_root = mkdtemp(pattern.data());
        fs::create_directories(m_root / "wine");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    fs::path workFolder() const { return m_root / "wine" / "drive_c" / "VTEMP"; }

    fs::path writeDocument(const std::string& name, const std::string& bytes) {
        const fs::path path = m_root / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Runs PROGRAM with ARGS (already quoted for the shell) and WINEPREFIX in the test folder.
    Outcome run(const std::string& args,
                const fs::path& program = fs::path(TM_BIN_DIR) / "quorvane-cli") {
        const fs::path out = m_root / "out.txt", err = m_root / "err.txt";
        const std::string command = "cd '" + m_root.string() + "' && WINEPREFIX='" +
                                    (m_root / "wine").string() + "' '" + program.string() + "' " +
                                    args + " >'" + out.string() + "' 2>'" + err.string() +
                                    "' </dev/null";
        const int raw = std::system(command.c_str());
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.out = readAll(out);
        o.err = readAll(err);
        return o;
    }

    fs::path m_root;
};

TEST_F(Cli, HelpExplainsBothRuns) {
    const Outcome o = run("--help");
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.out.find("quorvane-cli exportar ARCHIVO.xml [--plantilla CLAVE]"),
              std::string::npos);
    EXPECT_NE(o.out.find("quorvane-cli importar ARCHIVO.xml"), std::string::npos);
    EXPECT_TRUE(o.err.empty());
}

TEST_F(Cli, AnythingElseGivesTheUsageAndFails) {
    const char* const cases[] = {"",
                                 "exportar",
                                 "exportar a.xml --verbose",
                                 "exportar a.xml b.xml",
                                 "importar a.xml --plantilla 1",
                                 "exportar a.xml --plantilla",
                                 "ayuda a.xml",
                                 "--help exportar"};
    for (const char* args : cases) {
        SCOPED_TRACE(args);
        const Outcome o = run(args);
        EXPECT_NE(o.status, 0);
        EXPECT_TRUE(o.out.empty());
        EXPECT_NE(o.err.find("Uso:"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(workFolder()));
}

TEST_F(Cli, MissingDocumentIsTheRunsOwnMessage) {
    const Outcome o = run("exportar no-existe.xml");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "No existe archivo\n");
    EXPECT_TRUE(o.err.empty());
    EXPECT_FALSE(fs::exists(workFolder()));
}

TEST_F(Cli, DocumentThatIsNoExchangeDocumentFailsBeforeTheWorkFolder) {
    writeDocument("malo.xml", "<SERVICIO>\n<BLOQUE_DATOS>\n");
    writeDocument("otro.xml", "<SERVICIO/>");
    for (const char* name : {"malo.xml", "otro.xml"}) {
        SCOPED_TRACE(name);
        const Outcome o = run(std::string("exportar ") + name);
        EXPECT_EQ(o.status, 1);
        EXPECT_TRUE(o.out.empty()) << o.out;
        EXPECT_NE(o.err.find((m_root / name).string()), std::string::npos) << o.err;
        EXPECT_FALSE(fs::exists(workFolder()));
    }
}

TEST_F(Cli, MissingLevelTableBesideTheProgram) {
    const fs::path alone = m_root / "solo";
    fs::create_directories(alone);
    fs::copy_file(fs::path(TM_BIN_DIR) / "quorvane-cli", alone / "quorvane-cli");
    writeDocument("doc.xml", kOneSchoolDay);
    const Outcome o = run("exportar doc.xml", alone / "quorvane-cli");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "ATENCIÓN - NIVELCAN.DBF No encontrado - Reinstale QUORVANE\n");
    EXPECT_FALSE(fs::exists(workFolder()));
}

TEST_F(Cli, CompletedExport) {
    writeDocument("doc.xml", kOneSchoolDay);
    const Outcome o = run("exportar doc.xml");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "Proceso finalizado\n");
    EXPECT_TRUE(fs::is_regular_file(workFolder() / "DIASHORAST.DBF"));
    EXPECT_TRUE(fs::is_regular_file(workFolder() / "PERIODOS.DBF"));
}

TEST_F(Cli, HourTemplateFromTheOptionOrTheFirstSchoolDay) {
    const std::string sample = (fs::path(TM_SOURCE_DIR) / "data" / "ejemplo.xml").string();
    const Outcome first = run("exportar '" + sample + "'");
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out,
              "Plantilla horaria: '1' (la primera jornada del documento)\nProceso finalizado\n");

    const Outcome chosen = run("exportar '" + sample + "' --plantilla ' 2 '");
    EXPECT_EQ(chosen.status, 0) << chosen.err;
    EXPECT_EQ(chosen.out, "Plantilla horaria: '2'\nProceso finalizado\n");
    // The periods table holds the chosen school day only; its key is in the file.
    const std::string periodos = readAll(workFolder() / "PERIODOS.DBF");
    EXPECT_NE(periodos.find("Jornada de tarde"), std::string::npos);
    EXPECT_EQ(periodos.find("Jornada de ma"), std::string::npos);
}

TEST_F(Cli, ImportWithoutItsTablesIsReported) {
    const Outcome missing = run("importar no-existe.xml");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "No existe archivo\n");

    // The document exists but the work folder holds no export: the run does not finish.
    writeDocument("doc.xml", kOneSchoolDay);
    const Outcome noTables = run("importar doc.xml");
    EXPECT_NE(noTables.status, 0);
    EXPECT_EQ(noTables.out.find("Proceso finalizado"), std::string::npos);
    EXPECT_FALSE(fs::exists(m_root / "ResultadoVelkordoc.xml"));
}

}  // namespace
