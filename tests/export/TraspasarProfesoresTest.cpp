#include <gtest/gtest.h>

#include "PasosFixture.h"
#include "export/ExportSteps.h"
#include "services/Table.h"

namespace qv::prueba {
namespace {

const std::vector<std::string> kCampos = {"ABREV", "NOMBRE",     "DEPART",
                                          "DNI",   "X_EMPLEADO", "F_TOMAPOS"};

class TraspasarProfesoresTest : public PasoTest {
protected:
    std::vector<std::string> abreviaturas(const std::vector<Fila>& empleados) {
        cargar({{"EMPLEADOS", empleados}});
        TraspasarProfesores(m_session);
        return columna(leer("PROFT", {"ABREV"}), 0);
    }
};

Fila empleado(const std::string& abrev, const std::string& apellido1 = "Gómez",
              const std::string& apellido2 = "Luna", const std::string& nombre = "Julia") {
    return {"100", "01/09/2010", "Matemáticas", apellido1, apellido2, nombre, abrev};
}

TEST_F(TraspasarProfesoresTest, RowFromTheStaffRecord) {
    cargar({{"EMPLEADOS",
             {{" 100231 ", "01/09/2009", " Lengua Castellana y Literatura ", "García ", "López",
               "Juana ", ""}}}});
    TraspasarProfesores(m_session);
    EXPECT_EQ(leer("PROFT", kCampos),
              (std::vector<Fila>{{"GLJ", "García López, Juana", "Lengua Castellana y Literatura",
                                  "", "100231", "01/09/2009"}}));
}

TEST_F(TraspasarProfesoresTest, AbbreviationSequences) {
    struct Caso {
        const char* nombre;
        std::vector<Fila> empleados;
        std::vector<std::string> esperadas;
    };
    std::vector<Fila> jgl;
    for (int i = 0; i < 11; ++i) {
        jgl.push_back(empleado("", "Jiménez", "Gil", "Luis"));
    }
    const std::vector<Caso> casos = {
        // The eleventh 'JGL10' is held as 'JGL1', like the second.
        {"same initials",
         jgl,
         {"JGL", "JGL1", "JGL2", "JGL3", "JGL4", "JGL5", "JGL6", "JGL7", "JGL8", "JGL9", "JGL1"}},
        {"case ignored", {empleado("ab"), empleado("AB")}, {"ab", "AB1"}},
        {"accented letters fold too", {empleado("Ñú"), empleado("ñÚ")}, {"Ñú", "ñÚ1"}},
        {"checked before the cut", {empleado("MARTA"), empleado("MARTO")}, {"MART", "MART"}},
        {"blank item 6 takes the initials", {empleado("   "), empleado("")}, {"GLJ", "GLJ1"}},
        {"blank second surname", {empleado("", "Sánchez", "", "Ana")}, {"SA"}},
        {"untrimmed first characters", {empleado("", " Sánchez", "Ruiz", "Ana")}, {" RA"}},
        {"chosen then initials", {empleado("GLJ"), empleado("")}, {"GLJ", "GLJ1"}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        EXPECT_EQ(abreviaturas(c.empleados), c.esperadas);
    }
}

TEST_F(TraspasarProfesoresTest, NameOfTrimmedParts) {
    cargar({{"EMPLEADOS",
             {empleado("", "Sánchez", "", "Ana"),
              empleado("", " Sánchez", " Ruiz ", " Ana"),
              {"1"},
              {"1", "2"}}}});
    TraspasarProfesores(m_session);
    // The record with one item is skipped; the one with two reads the rest as empty.
    EXPECT_EQ(columna(leer("PROFT", {"NOMBRE"}), 0),
              (std::vector<std::string>{"Sánchez , Ana", "Sánchez Ruiz, Ana", " ,"}));
    Table t(m_trabajo.path(), "PROFT.DBF");
    t.open(OpenMode::Shared);
    for (t.first(); !t.eof(); t.next()) {
        EXPECT_TRUE(t.isNull("DNI"));
    }
}

TEST_F(TraspasarProfesoresTest, ReplacesTheTableOfAnEarlierExport) {
    cargar({{"EMPLEADOS", {empleado("AAA"), empleado("BBB")}}});
    TraspasarProfesores(m_session);
    cargar({{"EMPLEADOS", {empleado("CCC")}}});
    TraspasarProfesores(m_session);
    EXPECT_EQ(columna(leer("PROFT", {"ABREV"}), 0), (std::vector<std::string>{"CCC"}));
    cargar({});
    TraspasarProfesores(m_session);
    EXPECT_TRUE(leer("PROFT", {"ABREV"}).empty());
}

TEST_F(TraspasarProfesoresTest, IndependentReaderSeesTheSameRows) {
    cargar({{"EMPLEADOS",
             {empleado(""),
              empleado(""),
              {"100281", "01/09/2018", "Educación Física", "Sánchez", "", "Ana", ""}}}});
    TraspasarProfesores(m_session);
    bool ausente = false;
    const auto filas = leerIndependiente(tabla("PROFT"), kCampos, &ausente);
    if (ausente) {
        GTEST_SKIP() << "python3-dbfread is not installed";
    }
    EXPECT_EQ(filas, (std::vector<Fila>{
                         {"GLJ", "Gómez Luna, Julia", "Matemáticas", "", "100", "01/09/2010"},
                         {"GLJ1", "Gómez Luna, Julia", "Matemáticas", "", "100", "01/09/2010"},
                         {"SA", "Sánchez , Ana", "Educación Física", "", "100281", "01/09/2018"},
                     }));
}

}  // namespace
}  // namespace qv::prueba
