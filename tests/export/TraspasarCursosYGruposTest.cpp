#include <gtest/gtest.h>

#include "PasosFixture.h"
#include "export/ExportSteps.h"
#include "services/Error.h"
#include "services/Table.h"
#include "services/Text.h"

namespace qv::prueba {
namespace {

const std::vector<std::string> kCursos = {"ABREV", "TURNO", "NIVEL", "CURSO", "CLAVE", "ESTUD"};
const std::vector<std::string> kGrupos = {"ABREV", "TURNO", "NIVEL",      "CURSO",
                                          "GRUPO", "CLAVE", "CLAVECURSO", "DESCRIP"};

std::string cortado(const std::string& utf8, std::size_t ancho) {
    return ansiToUtf8(utf8ToAnsi(utf8).substr(0, ancho));
}

class TraspasarCursosYGruposTest : public PasoTest {
protected:
    void SetUp() override {
        crearNivelcan(m_programa.path(), {
                                             {42, "ESO", "Educación Secundaria Obligatoria"},
                                             {43, "", "Bachillerato"},
                                             {44, "ESO", ""},
                                             {42, "XXX", "second row of the same key"},
                                         });
    }

    std::vector<std::string> abreviaturas(const std::vector<std::string>& nombres) {
        std::vector<Fila> unidades;
        for (const std::string& n : nombres) {
            unidades.push_back({"1", n, "42"});
        }
        cargar({{"UNIDADES", unidades}});
        TraspasarCursosYGrupos(m_session);
        return columna(leer("GRUPOST", {"ABREV"}), 0);
    }
};

TEST_F(TraspasarCursosYGruposTest, CoursesTakeTheirLevelFromTheLevelTable) {
    cargar({{"CURSOS_DEL_CENTRO",
             {{" 0042 ", "1º ESO"},
              {"43", "1º Bachillerato"},
              {"44", "2º ESO"},
              {"99", "Otro"},
              {"45"},
              {"$2A", ""}}}});
    TraspasarCursosYGrupos(m_session);
    EXPECT_EQ(leer("CURSOST", kCursos),
              (std::vector<Fila>{
                  {"", "", "ESO", "1", "0042", "Educación Secundaria Obligatoria"},
                  {"", "", "Niv", "1", "43", "Bachillerato"},
                  {"", "", "ESO", "2", "44", ""},
                  {"", "", "Niv", "O", "99", ""},
                  // The system's conversion reads '$' as hexadecimal: 0x2A is 42.
                  {"", "", "ESO", "", "$2A", "Educación Secundaria Obligatoria"},
              }));
    EXPECT_FALSE(m_session.wwTableNIVELEX.active());
    EXPECT_EQ(m_session.wwTableNIVELEX.path().parent_path(), m_programa.path());
}

TEST_F(TraspasarCursosYGruposTest, AKeyThatIsNoWholeNumberEndsTheStep) {
    cargar({{"CURSOS_DEL_CENTRO", {{"42", "1º ESO"}, {" 4x2 ", "2º ESO"}, {"43", "1º Bach"}}},
            {"UNIDADES", {{"7001", "1º ESO A", "42"}}}});
    try {
        TraspasarCursosYGrupos(m_session);
        FAIL() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'4x2' no es un valor entero válido");
    }
    EXPECT_EQ(columna(leer("CURSOST", {"CLAVE"}), 0), (std::vector<std::string>{"42"}));
    EXPECT_TRUE(leer("GRUPOST", kGrupos).empty());
    EXPECT_FALSE(m_session.wwTableNIVELEX.active());
    // Nothing is left open: the tables can be replaced at once.
    cargar({{"CURSOS_DEL_CENTRO", {{"43", "1º Bach"}}}});
    TraspasarCursosYGrupos(m_session);
    EXPECT_EQ(columna(leer("CURSOST", {"CLAVE"}), 0), (std::vector<std::string>{"43"}));
}

TEST_F(TraspasarCursosYGruposTest, GroupsTakeTheirCourseAndADescription) {
    cargar({{"CURSOS_DEL_CENTRO", {{"42", "1º ESO"}, {"44", "1º ESO"}}},
            {"UNIDADES",
             {{"7001", "1º ESO A", "42"},
              {"7002", "1º ESO B", "44"},
              {"7003", "Aula Z", "99"},
              {"7004", "X", "042"},
              {"7005", "Sin curso"},
              {"7006"}}}});
    TraspasarCursosYGrupos(m_session);
    EXPECT_EQ(leer("GRUPOST", kGrupos),
              (std::vector<Fila>{
                  {"1ºES", "", "ESO", "1", "A", "7001", "42",
                   cortado("(1º ESO A) Educación Secundaria Obligatoria", 40)},
                  {"1ºE1", "", "ESO", "1", "B", "7002", "44", " ESO 1 B"},
                  {"Aula", "", "", "", "Z", "7003", "99", "   Z"},
                  {"X", "", "", "", "X", "7004", "042", "   X"},
                  {"Sinc", "", "", "", "o", "7005", "", "   o"},
              }));
    Table t(m_trabajo.path(), "GRUPOST.DBF");
    t.open(OpenMode::Shared);
    t.first();
    EXPECT_EQ(t.asString("ABREV"),
              "1\xBA"
              "ES");
}

TEST_F(TraspasarCursosYGruposTest, AbbreviationSequences) {
    struct Caso {
        const char* nombre;
        std::vector<std::string> unidades;
        std::vector<std::string> esperadas;
    };
    std::vector<std::string> doce;
    for (char letra = 'A'; letra < 'A' + 12; ++letra) {
        doce.push_back(std::string("1º ESO ") + letra);
    }
    const std::vector<Caso> casos = {
        {"worked examples",
         {"1º ESO A", "1º ESO B", "1º ESO C", "2 A", "2a"},
         {"1ºES", "1ºE1", "1ºE2", "2A", "2a1"}},
        // Unique only up to ten repeats: the eleventh and twelfth share the shortened value.
        {"twelve of one stem",
         doce,
         {"1ºES", "1ºE1", "1ºE2", "1ºE3", "1ºE4", "1ºE5", "1ºE6", "1ºE7", "1ºE8", "1ºE9", "1º10",
          "1º10"}},
        {"accented letters fold too", {"Álg A", "álg a"}, {"ÁlgA", "álg1"}},
        {"control characters trimmed", {"AB C\tD", "ABC"}, {"ABC", "ABC1"}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        EXPECT_EQ(abreviaturas(c.unidades), c.esperadas);
    }
}

TEST_F(TraspasarCursosYGruposTest, EmptyCoursesLeaveGroupsWithoutLevel) {
    cargar({{"CURSOS_DEL_CENTRO", {}}, {"UNIDADES", {{"7001", "1º ESO A", "42"}}}});
    TraspasarCursosYGrupos(m_session);
    EXPECT_TRUE(leer("CURSOST", kCursos).empty());
    EXPECT_EQ(leer("GRUPOST", {"NIVEL", "CURSO", "DESCRIP"}),
              (std::vector<Fila>{{"", "", "   A"}}));
}

TEST_F(TraspasarCursosYGruposTest, ASecondExportGivesTheSameTables) {
    const std::vector<GrupoDatos> documento = {
        {"CURSOS_DEL_CENTRO", {{"42", "1º ESO"}, {"43", "1º Bach"}}},
        {"UNIDADES",
         {{"7001", "1º ESO A", "42"}, {"7002", "1º ESO B", "42"}, {"7003", "1º BACH", "43"}}},
    };
    cargar(documento);
    TraspasarCursosYGrupos(m_session);
    const auto cursos = leer("CURSOST", kCursos);
    const auto grupos = leer("GRUPOST", kGrupos);
    cargar(documento);
    TraspasarCursosYGrupos(m_session);
    EXPECT_EQ(leer("CURSOST", kCursos), cursos);
    EXPECT_EQ(leer("GRUPOST", kGrupos), grupos);
    EXPECT_EQ(columna(grupos, 0), (std::vector<std::string>{"1ºES", "1ºE1", "1ºBA"}));
}

TEST_F(TraspasarCursosYGruposTest, ALevelTableWithoutTheKeyFieldEndsTheStep) {
    Table::create(m_programa.path(), "NIVELCAN.DBF",
                  {textField("CLAVE", 10), textField("NIVEL_ABREV", 5), textField("ESTUDIO", 40)});
    cargar({{"CURSOS_DEL_CENTRO", {{"42", "1º ESO"}}}});
    try {
        TraspasarCursosYGrupos(m_session);
        FAIL() << "no error";
    } catch (const TableError& e) {
        EXPECT_STREQ(e.what(), "wwTableNIVELEX: No se encuentra el campo 'X_OFERTAMATRIG'");
    }
    EXPECT_FALSE(m_session.wwTableNIVELEX.active());
    // Without courses the table is never searched.
    cargar({{"UNIDADES", {{"7001", "1º ESO A", "42"}}}});
    TraspasarCursosYGrupos(m_session);
    EXPECT_EQ(leer("GRUPOST", {"ABREV"}).size(), 1u);
}

// A school's own level table may hold the key with decimals or as text; it is found by value.
TEST_F(TraspasarCursosYGruposTest, ALevelTableOfAnotherOriginIsSearchedByValue) {
    struct Caso {
        const char* nombre;
        FieldDef clave;
        std::vector<std::pair<std::string, std::string>> filas;  // key as written, level
    };
    const std::vector<Caso> casos = {
        {"float key", floatField("X_OFERTAMATRIG"), {{"42.5", "MED"}, {"", "NUL"}, {"42", "ESO"}}},
        {"text key",
         textField("X_OFERTAMATRIG", 10),
         {{"abc", "TXT"}, {" 42", "ESO"}, {"42", "DUP"}}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        Table::create(m_programa.path(), "NIVELCAN.DBF",
                      {c.clave, textField("NIVEL_ABREV", 5), textField("ESTUDIO", 40)});
        {
            Table t(m_programa.path(), "NIVELCAN.DBF");
            t.open(OpenMode::Exclusive);
            for (const auto& [clave, nivel] : c.filas) {
                t.append();
                if (!clave.empty()) {
                    if (c.clave.kind == FieldKind::Float) {
                        t.setFloat("X_OFERTAMATRIG", std::stod(clave));
                    } else {
                        t.setString("X_OFERTAMATRIG", clave);
                    }
                }
                t.setString("NIVEL_ABREV", nivel);
                t.post();
            }
            t.close();
        }
        cargar({{"CURSOS_DEL_CENTRO", {{"42", "1º ESO"}, {"0", "Otro"}}}});
        TraspasarCursosYGrupos(m_session);
        EXPECT_EQ(columna(leer("CURSOST", {"NIVEL"}), 0), (std::vector<std::string>{"ESO", "Niv"}));
    }
}

TEST_F(TraspasarCursosYGruposTest, IndependentReaderSeesTheSameRows) {
    cargar({{"CURSOS_DEL_CENTRO", {{"42", "1º ESO"}, {"99", "2º ESO"}}},
            {"UNIDADES", {{"7001", "1º ESO A", "42"}, {"7002", "2º ESO A", "99"}}}});
    TraspasarCursosYGrupos(m_session);
    bool ausente = false;
    const auto cursos = leerIndependiente(tabla("CURSOST"), kCursos, &ausente);
    if (ausente) {
        GTEST_SKIP() << "python3-dbfread is not installed";
    }
    EXPECT_EQ(cursos, (std::vector<Fila>{
                          {"", "", "ESO", "1", "42", "Educación Secundaria Obligatoria"},
                          {"", "", "Niv", "2", "99", ""},
                      }));
    EXPECT_EQ(leerIndependiente(tabla("GRUPOST"), kGrupos, &ausente),
              (std::vector<Fila>{
                  {"1ºES", "", "ESO", "1", "A", "7001", "42",
                   cortado("(1º ESO A) Educación Secundaria Obligatoria", 40)},
                  {"2ºES", "", "Niv", "2", "A", "7002", "99", " Niv 2 A"},
              }));
}

}  // namespace
}  // namespace qv::prueba
