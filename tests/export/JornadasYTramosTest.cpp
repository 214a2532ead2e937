// The days, time slots and periods step on small documents in a temporary work folder.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/ExportSteps.h"
#include "services/Error.h"
#include "services/Session.h"
#include "services/Table.h"
#include "services/UserPort.h"
#include "services/XmlDocument.h"

namespace fs = std::filesystem;

namespace {

// One record: its data items in order.
using Registro = std::vector<std::string>;

std::string documento(const std::vector<Registro>& jornadas, const std::vector<Registro>& tramos) {
    auto grupo = [](const char* seq, const std::vector<Registro>& registros) {
        std::string xml = std::string("<grupo_datos seq=\"") + seq + "\">";
        int n = 0;
        for (const Registro& r : registros) {
            xml += "<grupo_datos seq=\"R" + std::to_string(++n) + "\">";
            int i = 0;
            for (const std::string& dato : r) {
                xml += "<dato nombre_dato=\"D" + std::to_string(i++) + "\">" + dato + "</dato>";
            }
            xml += "</grupo_datos>";
        }
        return xml + "</grupo_datos>";
    };
    return "<SERVICIO><BLOQUE_DATOS>" + grupo("JORNADAS_ESCOLARES", jornadas) +
           grupo("TRAMOS_HORARIOS", tramos) + "</BLOQUE_DATOS></SERVICIO>";
}

// Answers the hour template dialog with a fixed key and remembers being asked.
class PuertoFalso : public qv::UserPort {
public:
    std::string respuesta;
    std::vector<fs::path> preguntas;

    std::optional<fs::path> chooseExchangeDocument() override { return std::nullopt; }
    void showMessage(const std::string&) override { ADD_FAILURE() << "no message expected"; }
    void setWaitCursor(bool) override {}
    std::string chooseHourTemplate(const fs::path& documentPath) override {
        preguntas.push_back(documentPath);
        return respuesta;
    }
    void completeTeacherData() override { ADD_FAILURE() << "not asked by this step"; }
    void closeMainWindow() override { ADD_FAILURE() << "not asked by this step"; }
};

using Fila = std::map<std::string, std::string>;

std::vector<Fila> leerTabla(const fs::path& folder, const std::string& fileName,
                            const std::string& indice = {}) {
    qv::Table tabla(folder, fileName);
    tabla.open(qv::OpenMode::Shared);
    if (!indice.empty()) {
        tabla.setIndexName(indice);
    }
    std::vector<Fila> filas;
    for (tabla.first(); !tabla.eof(); tabla.next()) {
        Fila fila;
        for (const qv::FieldDef& campo : tabla.fields()) {
            fila[campo.name] = tabla.asString(campo.name);
        }
        filas.push_back(fila);
    }
    tabla.close();
    return filas;
}

std::string ejecutar(const std::string& orden, int* estado = nullptr) {
    std::string salida;
    FILE* tubo = popen(orden.c_str(), "r");
    if (tubo == nullptr) {
        ADD_FAILURE() << "cannot run " << orden;
        return salida;
    }
    std::array<char, 4096> bufer;
    size_t n;
    while ((n = fread(bufer.data(), 1, bufer.size(), tubo)) > 0) {
        salida.append(bufer.data(), n);
    }
    const int rc = pclose(tubo);
    if (estado != nullptr) {
        *estado = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
    return salida;
}

class JornadasYTramos : public ::testing::Test {
protected:
    void SetUp() override {
        std::string plantilla = (fs::temp_directory_path() / "jornadas-XXXXXX").string();
        ASSERT_NE(mkdtemp(plantilla.data()), nullptr);
        m_carpeta = plantilla;
        m_sesion = std::make_unique<qv::Session>(m_carpeta, m_carpeta);
    }
    void TearDown() override {
        m_sesion.reset();
        std::error_code ec;
        fs::remove_all(m_carpeta, ec);
    }

    void cargar(const std::vector<Registro>& jornadas, const std::vector<Registro>& tramos) {
        const std::string xml = documento(jornadas, tramos);
        m_sesion->ArchivoXML = m_carpeta / "documento.xml";
        std::ofstream(m_sesion->ArchivoXML) << xml;
        m_sesion->DocumentoXML = std::make_unique<qv::XmlDocument>();
        m_sesion->DocumentoXML->loadXml(xml);
    }

    void traspasar() { qv::TraspasarJornadasYTramos(*m_sesion, m_puerto); }

    std::vector<Fila> tabla(const std::string& nombre, const std::string& indice = {}) {
        return leerTabla(m_carpeta, nombre + ".DBF", indice);
    }

    fs::path m_carpeta;
    std::unique_ptr<qv::Session> m_sesion;
    PuertoFalso m_puerto;
};

// A slot of the chosen school day as the two tables must show it.
struct TramoEsperado {
    std::string clave;
    std::string hora2;  // HORA in DIASHORAST2: the slot's place among all slots
    std::string hora;   // HORA in DIASHORAST: rank of its start time
    std::string desde;
    std::string hasta;
    std::string minutos;
    std::string orden;
};

struct CasoReparto {
    const char* nombre;
    std::vector<Registro> jornadas;
    std::vector<Registro> tramos;
    std::string respuesta;  // what the dialog answers, when it is asked
    bool preguntaDialogo;
    std::string plantilla;                 // JornadaPlantilla afterwards
    std::vector<TramoEsperado> esperados;  // matching slots in document order
    std::vector<std::string> ordenFinal;   // slot keys in DIASHORAST order
};

const Registro jornadaA = {"A", "Mañana", "01/09/2026", "30/06/2027"};
const Registro jornadaB = {"B", "Tarde", "01/09/2026", "30/06/2027"};

const std::vector<CasoReparto> casosReparto = {
    {"TresHorasSeguidas",
     {jornadaA},
     {{"T1", "Primera", "480", "540", "A"},
      {"T2", "Segunda", "540", "600", "A"},
      {"T3", "Tercera", "600", "660", "A"}},
     "",
     false,
     "A",
     {{"T1", "1", "1", "08:00", "09:00", "60", "480"},
      {"T2", "2", "2", "09:00", "10:00", "60", "540"},
      {"T3", "3", "3", "10:00", "11:00", "60", "600"}},
     {"T1", "T2", "T3"}},
    {"OrdenInverso",
     {jornadaA},
     {{"T1", "Tercera", "600", "660", "A"},
      {"T2", "Primera", "480", "540", "A"},
      {"T3", "Segunda", "540", "600", "A"}},
     "",
     false,
     "A",
     {{"T1", "1", "3", "10:00", "11:00", "60", "600"},
      {"T2", "2", "1", "08:00", "09:00", "60", "480"},
      {"T3", "3", "2", "09:00", "10:00", "60", "540"}},
     {"T2", "T3", "T1"}},
    {"NueveYCinco",
     {jornadaA},
     {{"T1", "Corta", "545", "600", "A"}, {"T2", "Medianoche", "0", "5", "A"}},
     "",
     false,
     "A",
     {{"T1", "1", "2", "09:05", "10:00", "55", "545"},
      {"T2", "2", "1", "00:00", "00:05", "5", "0"}},
     {"T2", "T1"}},
    {"DosJornadasEligeB",
     {jornadaA, jornadaB},
     {{"A1", "a1", "480", "540", "A"},
      {"A2", "a2", "540", "600", "A"},
      {"A3", "a3", "600", "660", "A"},
      {"B1", "b1", "900", "960", "B"},
      {"B2", "b2", "960", "1020", "B"},
      {"B3", "b3", "1020", "1080", "B"}},
     "B",
     true,
     "B",
     {{"B1", "4", "1", "15:00", "16:00", "60", "900"},
      {"B2", "5", "2", "16:00", "17:00", "60", "960"},
      {"B3", "6", "3", "17:00", "18:00", "60", "1020"}},
     {"B1", "B2", "B3"}},
    {"MismoInicioComparteHora",
     {jornadaA},
     {{"T1", "Larga", "540", "660", "A"},
      {"T2", "Temprana", "480", "540", "A"},
      {"T3", "Corta", "540", "600", "A"},
      {"T4", "Lejana", "900", "960", "A"}},
     "",
     false,
     "A",
     {{"T1", "1", "2", "09:00", "11:00", "120", "540"},
      {"T2", "2", "1", "08:00", "09:00", "60", "480"},
      {"T3", "3", "2", "09:00", "10:00", "60", "540"},
      {"T4", "4", "3", "15:00", "16:00", "60", "900"}},
     {"T2", "T1", "T3", "T4"}},
    // A record of one item is no slot and does not count; one without the school-day item
    // counts but never matches.
    {"RegistrosCortos",
     {jornadaA},
     {{"X"},
      {"T1", "Primera", "480", "540", "A"},
      {"T2", "Sin jornada", "500"},
      {"T3", "Segunda", "540", "600", "A"}},
     "",
     false,
     "A",
     {{"T1", "1", "1", "08:00", "09:00", "60", "480"},
      {"T3", "3", "2", "09:00", "10:00", "60", "540"}},
     {"T1", "T3"}},
    // Blanks and line breaks around the items are not part of them; the dialog's answer
    // counts as given.
    {"ValoresConBlancos",
     {jornadaA, jornadaB},
     {{"  T1 ", " Primera\n", " 480\n", "\t540 ", "  B\n"}},
     "B",
     true,
     "B",
     {{"T1", "1", "1", "08:00", "09:00", "60", "480"}},
     {"T1"}},
    // The only school day's key is present but blank: it is that day's key, and its slots
    // carry the same blank key.
    {"ClaveEnBlanco",
     {{"  ", "Sin nombre"}},
     {{"T1", "Primera", "480", "540", ""}, {"T2", "Otra", "540", "600", "A"}},
     "",
     false,
     "",
     {{"T1", "1", "1", "08:00", "09:00", "60", "480"}},
     {"T1"}},
};

class Reparto : public JornadasYTramos, public ::testing::WithParamInterface<CasoReparto> {};

TEST_P(Reparto, SpreadsTheChosenDayAndNumbersItsHours) {
    const CasoReparto& caso = GetParam();
    cargar(caso.jornadas, caso.tramos);
    m_puerto.respuesta = caso.respuesta;
    traspasar();

    EXPECT_EQ(m_sesion->JornadaPlantilla, caso.plantilla);
    if (caso.preguntaDialogo) {
        ASSERT_EQ(m_puerto.preguntas.size(), 1u);
        EXPECT_EQ(m_puerto.preguntas[0], m_sesion->ArchivoXML);
    } else {
        EXPECT_TRUE(m_puerto.preguntas.empty());
    }

    // DIASHORAST2 in file order: each matching slot in document order, days 1 to 7.
    const std::vector<Fila> filas2 = tabla("DIASHORAST2");
    ASSERT_EQ(filas2.size(), 7 * caso.esperados.size());
    size_t n = 0;
    for (const TramoEsperado& e : caso.esperados) {
        for (int dia = 1; dia <= 7; ++dia, ++n) {
            const Fila& f = filas2[n];
            SCOPED_TRACE("DIASHORAST2 row " + std::to_string(n + 1));
            EXPECT_EQ(f.at("DIHO"), std::to_string(dia) + e.hora2);
            EXPECT_EQ(f.at("CODDIHO"), e.clave);
            EXPECT_EQ(f.at("DIA"), std::to_string(dia));
            EXPECT_EQ(f.at("TEXTODIA"), "");
            EXPECT_EQ(f.at("HORA"), e.hora2);
            EXPECT_EQ(f.at("HORADESDE"), e.desde);
            EXPECT_EQ(f.at("HORAHASTA"), e.hasta);
            EXPECT_EQ(f.at("MINUTOS"), e.minutos);
            EXPECT_EQ(f.at("ORDEN"), e.orden);
        }
    }

    // DIASHORAST in start order; equal starts keep the order of the document.
    std::map<std::string, TramoEsperado> porClave;
    for (const TramoEsperado& e : caso.esperados) {
        porClave[e.clave] = e;
    }
    const std::vector<Fila> filas = tabla("DIASHORAST");
    ASSERT_EQ(filas.size(), 7 * caso.ordenFinal.size());
    n = 0;
    for (const std::string& clave : caso.ordenFinal) {
        const TramoEsperado& e = porClave.at(clave);
        for (int dia = 1; dia <= 7; ++dia, ++n) {
            const Fila& f = filas[n];
            SCOPED_TRACE("DIASHORAST row " + std::to_string(n + 1));
            EXPECT_EQ(f.at("DIHO"), std::to_string(dia) + e.hora);
            EXPECT_EQ(f.at("CODDIHO"), e.clave);
            EXPECT_EQ(f.at("DIA"), std::to_string(dia));
            EXPECT_EQ(f.at("TEXTODIA"), "");
            EXPECT_EQ(f.at("HORA"), e.hora);
            EXPECT_EQ(f.at("HORADESDE"), e.desde);
            EXPECT_EQ(f.at("HORAHASTA"), e.hasta);
            EXPECT_EQ(f.at("MINUTOS"), e.minutos);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Casos, Reparto, ::testing::ValuesIn(casosReparto),
                         [](const auto& info) { return std::string(info.param.nombre); });

TEST_F(JornadasYTramos, LabelsKeepTheirAccentsAndAreCutToTheirField) {
    cargar({jornadaA}, {{"T1", "Recreo de mañana largo", "480", "540", "A"}});
    traspasar();
    const std::vector<Fila> filas = tabla("DIASHORAST");
    ASSERT_EQ(filas.size(), 7u);
    EXPECT_EQ(filas[0].at("TEXTOHOR"),
              "Recreo de ma\xF1"
              "an");
    const std::vector<Fila> periodos = tabla("PERIODOS");
    ASSERT_EQ(periodos.size(), 1u);
    EXPECT_EQ(periodos[0].at("JORNADA"),
              "Ma\xF1"
              "ana");
}

TEST_F(JornadasYTramos, PeriodsTakeEveryRecordOfTheChosenKey) {
    cargar({{"A", "Primera", "01/09/2026", "31/12/2026"},
            {"B", "Otra", "01/01/2027", "30/06/2027"},
            {"A", "Segunda", "01/01/2027", "30/06/2027"},
            {"A", "Sin fechas"}},
           {{"T1", "Primera", "480", "540", "A"}});
    m_puerto.respuesta = "A";
    traspasar();
    const std::vector<Fila> periodos = tabla("PERIODOS");
    ASSERT_EQ(periodos.size(), 3u);
    EXPECT_EQ(periodos[0], (Fila{{"CJORNADA", "A"},
                                 {"JORNADA", "Primera"},
                                 {"FECINI", "01/09/2026"},
                                 {"FECFIN", "31/12/2026"}}));
    EXPECT_EQ(periodos[1], (Fila{{"CJORNADA", "A"},
                                 {"JORNADA", "Segunda"},
                                 {"FECINI", "01/01/2027"},
                                 {"FECFIN", "30/06/2027"}}));
    EXPECT_EQ(periodos[2],
              (Fila{{"CJORNADA", "A"}, {"JORNADA", "Sin fechas"}, {"FECINI", ""}, {"FECFIN", ""}}));
}

TEST_F(JornadasYTramos, ADayWithoutSlotsStillGivesItsPeriod) {
    cargar({jornadaA, jornadaB},
           {{"A1", "a1", "480", "540", "A"}, {"A2", "a2", "540", "600", "A"}});
    m_puerto.respuesta = "B";
    traspasar();
    EXPECT_TRUE(tabla("DIASHORAST2").empty());
    EXPECT_TRUE(tabla("DIASHORAST").empty());
    const std::vector<Fila> periodos = tabla("PERIODOS");
    ASSERT_EQ(periodos.size(), 1u);
    EXPECT_EQ(periodos[0].at("CJORNADA"), "B");
    EXPECT_EQ(periodos[0].at("JORNADA"), "Tarde");
}

TEST_F(JornadasYTramos, AKeyThatMatchesNothingLeavesTheTablesEmpty) {
    cargar({jornadaA, jornadaB},
           {{"A1", "a1", "480", "540", "A"}, {"B1", "b1", "540", "600", "B"}});
    m_puerto.respuesta = "C";
    traspasar();
    EXPECT_EQ(m_sesion->JornadaPlantilla, "C");
    EXPECT_TRUE(tabla("DIASHORAST2").empty());
    EXPECT_TRUE(tabla("DIASHORAST").empty());
    EXPECT_TRUE(tabla("PERIODOS").empty());
}

// Without a school day to read a key from, nothing is chosen: not even the slots whose
// school-day item is empty.
TEST_F(JornadasYTramos, WithoutASchoolDayKeyNothingIsChosen) {
    const std::vector<std::vector<Registro>> sinClave = {{}, {{}}};
    for (const auto& jornadas : sinClave) {
        SCOPED_TRACE(jornadas.empty() ? "no school day" : "school day without items");
        cargar(jornadas, {{"T1", "Primera", "480", "540", ""}, {"T2", "Segunda", "540", "600"}});
        m_sesion->JornadaPlantilla = "viejo";
        traspasar();
        EXPECT_TRUE(m_puerto.preguntas.empty());
        EXPECT_EQ(m_sesion->JornadaPlantilla, "");
        EXPECT_TRUE(tabla("DIASHORAST2").empty());
        EXPECT_TRUE(tabla("DIASHORAST").empty());
        EXPECT_TRUE(tabla("PERIODOS").empty());
    }
}

TEST_F(JornadasYTramos, AChosenSlotThatIsNoIntegerEndsTheStep) {
    cargar({jornadaA, jornadaB}, {{"T1", "Primera", "480", "540", "A"},
                                  {"B1", "De la otra", "nueve", "diez", "B"},
                                  {"T2", "Segunda", "8:00", "600", "A"},
                                  {"T3", "Tercera", "600", "660", "A"}});
    m_puerto.respuesta = "A";
    try {
        traspasar();
        FAIL() << "the conversion should have failed";
    } catch (const qv::ConversionError& error) {
        EXPECT_STREQ(error.what(), "'8:00' no es un valor entero válido");
    }
    // What was posted before the bad slot stays; the other two tables exist, empty.
    const std::vector<Fila> filas2 = tabla("DIASHORAST2");
    ASSERT_EQ(filas2.size(), 7u);
    EXPECT_EQ(filas2[6].at("CODDIHO"), "T1");
    EXPECT_TRUE(tabla("DIASHORAST").empty());
    EXPECT_TRUE(tabla("PERIODOS").empty());
}

TEST_F(JornadasYTramos, AnEndThatIsNoIntegerEndsTheStepToo) {
    cargar({jornadaA}, {{"T1", "Primera", "480", "fin", "A"}});
    EXPECT_THROW(traspasar(), qv::ConversionError);
    EXPECT_TRUE(tabla("DIASHORAST2").empty());
}

TEST_F(JornadasYTramos, ReplacesEarlierTablesAndLeavesJornadasToTheRun) {
    cargar({jornadaA},
           {{"T1", "Primera", "480", "540", "A"}, {"T2", "Segunda", "540", "600", "A"}});
    traspasar();
    std::ofstream(m_carpeta / "JORNADAS.DBF") << "old";
    std::ofstream(m_carpeta / "JORNADAS.MDX") << "not ours";

    cargar({jornadaB}, {{"T9", "Única", "700", "760", "B"}});
    traspasar();
    // The run takes JORNADAS.DBF away once every step is done; the step alone leaves it.
    EXPECT_TRUE(fs::exists(m_carpeta / "JORNADAS.DBF"));
    EXPECT_TRUE(fs::exists(m_carpeta / "JORNADAS.MDX"));
    EXPECT_TRUE(fs::exists(m_carpeta / "DIASHORAST2.MDX"));
    EXPECT_FALSE(fs::exists(m_carpeta / "DIASHORAST.MDX"));
    for (const char* nombre : {"DIASHORAST", "DIASHORAST2"}) {
        const std::vector<Fila> filas = tabla(nombre);
        ASSERT_EQ(filas.size(), 7u) << nombre;
        EXPECT_EQ(filas[0].at("CODDIHO"), "T9") << nombre;
    }
    const std::vector<Fila> periodos = tabla("PERIODOS");
    ASSERT_EQ(periodos.size(), 1u);
    EXPECT_EQ(periodos[0].at("CJORNADA"), "B");
}

TEST_F(JornadasYTramos, IndexOrdenReadsAscendingWithPerlXBase) {
    if (!fs::exists("/usr/bin/index_dump")) {
        GTEST_SKIP() << "Perl's XBase index_dump is not installed";
    }
    cargar({jornadaA}, {{"T1", "", "600", "660", "A"},
                        {"T2", "", "480", "540", "A"},
                        {"T3", "", "1125", "1200", "A"},
                        {"T4", "", "540", "600", "A"},
                        {"T5", "", "480", "500", "A"}});
    traspasar();
    int estado = -1;
    const std::string salida =
        ejecutar("/usr/bin/python3 " TM_SOURCE_DIR "/tests/export/JornadasCheck.py index '" +
                     (m_carpeta / "DIASHORAST2.MDX").string() + "' ORDEN",
                 &estado);
    ASSERT_EQ(estado, 0) << salida;
    // Rows 1-7 start at 600, 8-14 at 480, 15-21 at 1125, 22-28 at 540, 29-35 at 480.
    std::string esperado;
    auto filas = [&](int inicio, int desde) {
        for (int r = desde; r < desde + 7; ++r) {
            esperado += std::to_string(inicio) + " " + std::to_string(r) + "\n";
        }
    };
    filas(480, 8);
    filas(480, 29);
    filas(540, 22);
    filas(600, 1);
    filas(1125, 15);
    EXPECT_EQ(salida, esperado);
}

TEST_F(JornadasYTramos, DbfreadSeesTheGridAsWritten) {
    if (ejecutar("/usr/bin/python3 -c 'import dbfread' 2>&1").find("Error") != std::string::npos) {
        GTEST_SKIP() << "python3-dbfread is not installed";
    }
    cargar({jornadaA}, {{"T1", "Primera", "480", "540", "A"},
                        {"T2", "Segunda", "540", "600", "A"},
                        {"T3", "Tercera", "600", "660", "A"}});
    traspasar();
    auto filas = [&](const char* archivo) {
        int estado = -1;
        std::string salida =
            ejecutar("/usr/bin/python3 " TM_SOURCE_DIR "/tests/export/JornadasCheck.py rows '" +
                         (m_carpeta / archivo).string() + "'",
                     &estado);
        EXPECT_EQ(estado, 0) << salida;
        return salida;
    };
    std::string esperado = "DIHO|CODDIHO|DIA|TEXTODIA|HORA|TEXTOHOR|HORADESDE|HORAHASTA|MINUTOS\n";
    const char* etiquetas[] = {"Primera", "Segunda", "Tercera"};
    const char* desde[] = {"08:00", "09:00", "10:00"};
    const char* hasta[] = {"09:00", "10:00", "11:00"};
    for (int h = 0; h < 3; ++h) {
        for (int dia = 1; dia <= 7; ++dia) {
            esperado += std::to_string(dia) + std::to_string(h + 1) + "|T" + std::to_string(h + 1) +
                        "|" + std::to_string(dia) + "||" + std::to_string(h + 1) + "|" +
                        etiquetas[h] + "|" + desde[h] + "|" + hasta[h] + "|60\n";
        }
    }
    EXPECT_EQ(filas("DIASHORAST.DBF"), esperado);
    EXPECT_EQ(filas("PERIODOS.DBF"),
              "CJORNADA|JORNADA|FECINI|FECFIN\nA|Mañana|01/09/2026|30/06/2027\n");
}

}  // namespace
