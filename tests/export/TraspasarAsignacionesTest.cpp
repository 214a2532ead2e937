#include <gtest/gtest.h>

#include "PasosFixture.h"
#include "export/ExportSteps.h"
#include "formats/WorkTables.h"
#include "services/Error.h"
#include "services/Table.h"
#include "services/Text.h"

namespace qv::prueba {
namespace {

const std::vector<std::string> kCampos = {"CASIG", "CPROF",      "CGRUP", "CAULA", "TURNO",
                                          "NIVEL", "CURSO",      "GRUPO", "HORAS", "SESIONES",
                                          "CLAVE", "CLAVECURSO", "CTAREA"};

// Writes TABLE in FOLDER with the given fields set on each row (UTF-8 values).
void escribir(const std::filesystem::path& carpeta, const TableSchema& esquema,
              const std::vector<std::string>& campos, const std::vector<Fila>& filas) {
    Table::create(carpeta, esquema);
    Table t(carpeta, esquema.fileName());
    t.open(OpenMode::Exclusive);
    for (const Fila& f : filas) {
        t.append();
        for (std::size_t i = 0; i < campos.size(); ++i) {
            t.setString(campos[i], utf8ToAnsi(f.at(i)));
        }
        t.post();
    }
    t.close();
}

class TraspasarAsignacionesTest : public PasoTest {
protected:
    void SetUp() override {
        escribir(m_trabajo.path(), tablas::ASIGNOMT, {"COD", "NOMBRE"},
                 {{"MAT", "Matemáticas"},
                  {"EF", "EDUCACION FISICA"},
                  {"EFI", "EDUCACIÓN FÍSICA"},
                  {"", "Sin código"},
                  {"SC", "Sin código"},
                  {"LRG", std::string(40, 'L')},
                  {"LCL", "  Lengua  "},
                  {"LCL2", "Lengua"}});
        escribir(m_trabajo.path(), tablas::GRUPOST,
                 {"ABREV", "NIVEL", "CURSO", "GRUPO", "CLAVECURSO"},
                 {{"1ºES", "ESO", "1", "A", "42"},
                  {"2ºES", "ESO", "2", "A", "43"},
                  {"1ºE1", "ESO", "1", "B", "42"},
                  {"1ºE2", "ESO", "1", "C", "42"},
                  {"1ºBA", "BACH", "1", "A", "50"}});
    }

    std::vector<Fila> asignar(const std::vector<Fila>& materias) {
        cargar({{"MATERIAS", materias}});
        TraspasarAsignaciones(m_session);
        return leer("ASIGT", kCampos);
    }
};

TEST_F(TraspasarAsignacionesTest, OneRowPerGroupOfTheSubjectsCourse) {
    EXPECT_EQ(asignar({{"42", "5001", "Matemáticas", "MAT", "240"},
                       {"43", "5002", "Matemáticas", "MAT", "90"}}),
              (std::vector<Fila>{
                  {"MAT", "", "1ºES", "", "", "ESO", "1", "A", "4", "1111", "5001", "42", "513"},
                  {"MAT", "", "1ºE1", "", "", "ESO", "1", "B", "4", "1111", "5001", "42", "513"},
                  {"MAT", "", "1ºE2", "", "", "ESO", "1", "C", "4", "1111", "5001", "42", "513"},
                  {"MAT", "", "2ºES", "", "", "ESO", "2", "A", "2", "11", "5002", "43", "513"},
              }));
    EXPECT_FALSE(m_session.wwTableGrupos.active());
    EXPECT_FALSE(m_session.wwTableNomAsg.active());
}

TEST_F(TraspasarAsignacionesTest, HoursAndLessonsFromTheMinutes) {
    struct Caso {
        std::string minutos;
        std::string horas;
        std::string sesiones;
    };
    const std::vector<Caso> casos = {
        {"", "4", "1111"},
        {"240", "4", "1111"},
        {"90", "2", "11"},
        {"30", "1", "1"},
        {"0", "1", "1"},
        {"-30", "1", "1"},
        {"-600", "1", "1"},
        {"61", "2", "11"},
        {"780", "13", std::string(13, '1')},
        {"781", "14", std::string(14, '1')},
        {"1000", "17", "4" + std::string(13, '1')},
        {" 1440 ", "24", "11" + std::string(13, '1')},
        {"$3C", "1", "1"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE("minutes '" + c.minutos + "'");
        const auto filas = asignar({{"43", "5002", "Matemáticas", "", c.minutos}});
        ASSERT_EQ(filas.size(), 1u);
        EXPECT_EQ(filas[0][8], c.horas);
        EXPECT_EQ(filas[0][9], c.sesiones);
    }
}

TEST_F(TraspasarAsignacionesTest, NamesMatchUpperCasedOnAToZOnly) {
    struct Caso {
        const char* nombre;
        std::string materia;
        std::vector<std::string> codigos;
    };
    const std::vector<Caso> casos = {
        {"a to z upper-cased", "Educacion Fisica", {"EF"}},
        {"accented capitals as they are", "EDUCACIÓN FÍSICA", {"EFI"}},
        // 'ó' is not upper-cased, so it never equals 'Ó'.
        {"accent does not match its capital", "Educación Física", {}},
        {"accent keeps its case on both sides", "matemáticas", {"MAT"}},
        {"first forty characters", std::string(45, 'l'), {"LRG"}},
        {"trimmed table value", "Lengua", {"LCL"}},
        {"first matching row without a code", "Sin código", {}},
        {"no such name", "Astronomía", {}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        EXPECT_EQ(columna(asignar({{"43", "5002", c.materia, "", "60"}}), 0), c.codigos);
    }
}

TEST_F(TraspasarAsignacionesTest, AMinuteCountThatIsNoWholeNumberEndsTheStep) {
    cargar({{"MATERIAS",
             {{"42", "5001", "Matemáticas", "", "120"},
              // No group in course 99: never converted, nothing raised.
              {"99", "5002", "Matemáticas", "", "dos horas"},
              // No matching name: the same.
              {"42", "5003", "Astronomía", "", "dos horas"},
              {"43", "5004", "Educacion Fisica", "", " 2h "},
              {"43", "5005", "Matemáticas", "", "60"}}}});
    try {
        TraspasarAsignaciones(m_session);
        FAIL() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'2h' no es un valor entero válido");
    }
    EXPECT_EQ(columna(leer("ASIGT", kCampos), 10),
              (std::vector<std::string>{"5001", "5001", "5001"}));
    // Nothing was left open: the tables can be opened exclusively again.
    EXPECT_FALSE(m_session.wwTableGrupos.active());
    m_session.wwTableNomAsg.open(OpenMode::Exclusive);
    m_session.wwTableNomAsg.close();
}

TEST_F(TraspasarAsignacionesTest, EmptySourcesGiveAnEmptyTable) {
    EXPECT_TRUE(asignar({}).empty());
    EXPECT_TRUE(asignar({{"42"}, {"77", "5001", "Matemáticas", "", "60"}}).empty());
    escribir(m_trabajo.path(), tablas::GRUPOST, {"ABREV"}, {});
    EXPECT_TRUE(asignar({{"42", "5001", "Matemáticas", "", "60"}}).empty());
}

TEST_F(TraspasarAsignacionesTest, ARecordWithoutMinutesTakesFourHours) {
    const auto filas =
        asignar({{"43", "5002", "Matemáticas"}, {"43", "5003", "Matemáticas", "MAT"}});
    EXPECT_EQ(filas.size(), 2u);
    for (const Fila& f : filas) {
        EXPECT_EQ(f[8], "4");
        EXPECT_EQ(f[9], "1111");
    }
}

// The main window's tables open exclusively: a table held elsewhere ends the step with the
// engine's error, and the step leaves nothing of its own open.
TEST_F(TraspasarAsignacionesTest, ATableHeldElsewhereEndsTheStep) {
    cargar({{"MATERIAS", {{"42", "5001", "Matemáticas", "", "120"}}}});
    Table otro(m_trabajo.path(), "ASIGNOMT.DBF");
    otro.open(OpenMode::Shared);
    EXPECT_THROW(TraspasarAsignaciones(m_session), TableError);
    EXPECT_FALSE(m_session.wwTableGrupos.active());
    EXPECT_FALSE(m_session.wwTableNomAsg.active());
    otro.close();
    TraspasarAsignaciones(m_session);
    EXPECT_EQ(leer("ASIGT", kCampos).size(), 3u);
}

TEST_F(TraspasarAsignacionesTest, IndependentReaderSeesTheSameRows) {
    asignar({{"50", "5009", "Matemáticas", "MAT", "1000"}});
    bool ausente = false;
    const auto filas = leerIndependiente(tabla("ASIGT"), kCampos, &ausente);
    if (ausente) {
        GTEST_SKIP() << "python3-dbfread is not installed";
    }
    EXPECT_EQ(filas, (std::vector<Fila>{{"MAT", "", "1ºBA", "", "", "BACH", "1", "A", "17",
                                         "4" + std::string(13, '1'), "5009", "50", "513"}}));
}

}  // namespace
}  // namespace qv::prueba
