// The sample document data/ejemplo.xml exported by quorvane-cli into a temporary Wine prefix,
// then read back with our engine and with the independent readers.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "PasosFixture.h"
#include "export/ExportSteps.h"
#include "services/Text.h"
#include "services/XmlDocument.h"

namespace qv::prueba {
namespace {

namespace fs = std::filesystem;

std::string comillas(const std::string& texto) {
    return "'" + texto + "'";
}

// Runs a shell command and returns its standard output; *estado gets its exit status.
std::string ejecutar(const std::string& orden, int* estado) {
    std::unique_ptr<FILE, int (*)(FILE*)> tubo(popen(orden.c_str(), "r"), pclose);
    std::string salida;
    std::array<char, 4096> trozo{};
    std::size_t leidos = 0;
    while ((leidos = std::fread(trozo.data(), 1, trozo.size(), tubo.get())) > 0) {
        salida.append(trozo.data(), leidos);
    }
    *estado = pclose(tubo.release());
    return salida;
}

class EjemploExportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_prefijo = std::make_unique<CarpetaTemporal>();
        fs::create_directories(vtemp());
        const std::string orden = "WINEPREFIX=" + comillas(s_prefijo->path().string()) + " " +
                                  comillas(TM_BIN_DIR "/quorvane-cli") + " exportar " +
                                  comillas(TM_SOURCE_DIR "/data/ejemplo.xml") +
                                  " --plantilla 1 </dev/null 2>&1";
        s_salida = ejecutar(orden, &s_estado);
    }
    static void TearDownTestSuite() { s_prefijo.reset(); }

    static fs::path vtemp() { return s_prefijo->path() / "drive_c" / "VTEMP"; }
    static fs::path tabla(const std::string& nombre) { return vtemp() / (nombre + ".DBF"); }

    void SetUp() override { ASSERT_EQ(s_estado, 0) << s_salida; }

    static std::unique_ptr<CarpetaTemporal> s_prefijo;
    static std::string s_salida;
    static int s_estado;
};

std::unique_ptr<CarpetaTemporal> EjemploExportTest::s_prefijo;
std::string EjemploExportTest::s_salida;
int EjemploExportTest::s_estado = -1;

// Rows expected from the sample: 29 distinct subjects and 6 activities; one subject row per
// subject record; every subject record has a name in ASIGNOMT, so ASIGT holds one row per
// group of its course (8 subjects x 9 ESO groups + 17 subjects of one-group courses).
const std::map<std::string, std::size_t> kFilas = {
    {"ASIGNOMT", 35}, {"ASIGNOMT2", 49}, {"PROFT", 16}, {"AULAT", 14},
    {"CURSOST", 7},   {"GRUPOST", 12},   {"ASIGT", 89}};

TEST_F(EjemploExportTest, EveryTableHoldsTheSamplesRows) {
    for (const auto& [nombre, filas] : kFilas) {
        SCOPED_TRACE(nombre);
        ASSERT_TRUE(fs::exists(tabla(nombre)));
        EXPECT_EQ(leerTabla(tabla(nombre), {}).size(), filas);
    }
}

TEST_F(EjemploExportTest, CodesAndLevelsOfTheSample) {
    const auto profesores = columna(leerTabla(tabla("PROFT"), {"ABREV"}), 0);
    EXPECT_EQ(std::vector<std::string>(profesores.begin(), profesores.begin() + 4),
              (std::vector<std::string>{"GLJ", "GLJ1", "JGL", "MART"}));
    const auto aulas = columna(leerTabla(tabla("AULAT"), {"ABREV"}), 0);
    EXPECT_EQ(std::vector<std::string>(aulas.begin() + 5, aulas.begin() + 9),
              (std::vector<std::string>{"LAB", "LA1", "Gimn", "Aula"}));
    const auto grupos = leerTabla(tabla("GRUPOST"), {"ABREV", "NIVEL", "DESCRIP"});
    EXPECT_EQ(grupos.at(0), (Fila{"1ºES", "ESO", "(1º ESO A) Educación Secundaria Obligato"}));
    EXPECT_EQ(grupos.at(2).at(0), "1ºE2");
    EXPECT_EQ(grupos.at(11), (Fila{"1ºSM", "CFGM", "(1º SMR) Sistemas Microinformáticos y Re"}));
    const auto cursos = leerTabla(tabla("CURSOST"), {"NIVEL", "CLAVE"});
    for (const Fila& c : cursos) {
        EXPECT_NE(c.at(0), "Niv") << "course " << c.at(1) << " is not in NIVELCAN.DBF";
    }
}

TEST_F(EjemploExportTest, IndependentReadersReadTheTables) {
    bool ausente = false;
    for (const auto& [nombre, filas] : kFilas) {
        SCOPED_TRACE(nombre);
        const auto leidas = leerIndependiente(tabla(nombre), {}, &ausente);
        if (ausente) {
            GTEST_SKIP() << "python3-dbfread is not installed";
        }
        EXPECT_EQ(leidas.size(), filas);
        if (nombre == "ASIGNOMT2") {
            continue;  // dBase 7 (a field name longer than ten characters): Perl's XBase cannot
        }
        int estado = 0;
        const std::string volcado =
            ejecutar("/usr/bin/dbf_dump --fs '|' " + comillas(tabla(nombre).string()), &estado);
        ASSERT_EQ(estado, 0) << volcado;
        std::size_t lineas = 0;
        for (char c : volcado) {
            lineas += c == '\n';
        }
        EXPECT_EQ(lineas, filas);
    }
    const std::vector<std::string> campos = {"COD",         "CODLARGO", "NOMBRE", "MATERIA",
                                             "OFERTAMATRI", "CODTAREA", "ESTAREA"};
    EXPECT_EQ(leerIndependiente(tabla("ASIGNOMT2"), campos, &ausente),
              leerTabla(tabla("ASIGNOMT2"), campos));
    // dbf_dump prints the raw Windows-1252 bytes.
    int estado = 0;
    const std::string grupos = ejecutar(
        "/usr/bin/dbf_dump --fs '|' --fields ABREV,DESCRIP " + comillas(tabla("GRUPOST").string()),
        &estado);
    EXPECT_EQ(ansiToUtf8(grupos.substr(0, grupos.find('\n'))),
              "1ºES|(1º ESO A) Educación Secundaria Obligato");
}

// The sample is well-formed for xmllint and really encoded as its declaration says.
TEST(Ejemplo, IsWellFormedLatin1) {
    int estado = 0;
    const std::string salida = ejecutar(
        "/usr/bin/xmllint --noout " + comillas(TM_SOURCE_DIR "/data/ejemplo.xml") + " 2>&1",
        &estado);
    EXPECT_EQ(estado, 0) << salida;
    std::ifstream in(TM_SOURCE_DIR "/data/ejemplo.xml", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!--", 0), 0u);
    EXPECT_NE(bytes.find("1\xBA ESO"), std::string::npos);
    EXPECT_EQ(bytes.find("\xC2\xBA"), std::string::npos);
    EXPECT_EQ(bytes.find("\xC3"), std::string::npos);
}

// The six steps twice over the sample in one session, as two exports in one program run: the
// second gives the same tables as the first.
class EjemploDosVecesTest : public PasoTest {};

TEST_F(EjemploDosVecesTest, ASecondExportGivesTheSameTables) {
    fs::copy_file(fs::path(TM_BIN_DIR) / "NIVELCAN.DBF", m_programa.path() / "NIVELCAN.DBF");
    const std::map<std::string, std::vector<std::string>> campos = {
        {"ASIGNOMT", {"COD", "CODLARGO", "NOMBRE", "CODTAREA", "ESTAREA"}},
        {"ASIGNOMT2", {"COD", "CODLARGO", "NOMBRE", "MATERIA", "OFERTAMATRI", "ESTAREA"}},
        {"PROFT", {"ABREV", "NOMBRE", "DEPART", "X_EMPLEADO", "F_TOMAPOS"}},
        {"AULAT", {"ABREV", "NOMBRE"}},
        {"CURSOST", {"NIVEL", "CURSO", "CLAVE", "ESTUD"}},
        {"GRUPOST", {"ABREV", "NIVEL", "CURSO", "GRUPO", "CLAVE", "CLAVECURSO", "DESCRIP"}},
        {"ASIGT", {"CASIG", "CGRUP", "NIVEL", "HORAS", "SESIONES", "CLAVE", "CLAVECURSO"}}};
    std::map<std::string, std::vector<Fila>> primera;
    for (int vez = 0; vez < 2; ++vez) {
        m_session.DocumentoXML = std::make_unique<XmlDocument>();
        m_session.DocumentoXML->load(TM_SOURCE_DIR "/data/ejemplo.xml");
        TraspasarMaterias(m_session);
        TraspasarActividades(m_session);
        TraspasarProfesores(m_session);
        TraspasarAulas(m_session);
        TraspasarCursosYGrupos(m_session);
        TraspasarAsignaciones(m_session);
        for (const auto& [nombre, lista] : campos) {
            SCOPED_TRACE(nombre);
            const auto filas = leer(nombre, lista);
            EXPECT_EQ(filas.size(), kFilas.at(nombre));
            if (vez == 0) {
                primera[nombre] = filas;
            } else {
                EXPECT_EQ(filas, primera[nombre]);
            }
        }
    }
}

}  // namespace
}  // namespace qv::prueba
