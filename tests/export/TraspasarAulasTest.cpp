#include <gtest/gtest.h>

#include "PasosFixture.h"
#include "export/ExportSteps.h"
#include "services/Table.h"
#include "services/Text.h"

namespace qv::prueba {
namespace {

class TraspasarAulasTest : public PasoTest {
protected:
    std::vector<std::string> codigos(const std::vector<Fila>& dependencias) {
        cargar({{"DEPENDENCIAS", dependencias}});
        TraspasarAulas(m_session);
        return columna(leer("AULAT", {"ABREV"}), 0);
    }
};

TEST_F(TraspasarAulasTest, HundredAndOneLabsNumberOnTwoCharacters) {
    std::vector<Fila> labs(101, Fila{"LAB", "Laboratorio"});
    std::vector<std::string> esperados = {"LAB"};
    for (int i = 1; i <= 99; ++i) {
        esperados.push_back("LA" + std::to_string(i));
    }
    esperados.push_back("LA10");  // 'LA100' cut by the field, the same as the eleventh
    EXPECT_EQ(codigos(labs), esperados);
}

TEST_F(TraspasarAulasTest, CodeSequences) {
    struct Caso {
        const char* nombre;
        std::vector<Fila> dependencias;
        std::vector<std::string> esperados;
    };
    const std::vector<Caso> casos = {
        {"blank codes take the name", {{"", "Aula de dibujo"}, {" ", "Aula 2"}}, {"Aula", "Au1"}},
        {"case ignored", {{"lab", "Laboratorio"}, {"LAB", "Laboratorio 2"}}, {"lab", "LA1"}},
        {"accented letters fold too", {{"Á", "Aula"}, {"á", "Aula"}}, {"Á", "á1"}},
        {"one character", {{"A", "Aula A"}, {"A", "Aula A bis"}}, {"A", "A1"}},
        {"checked before the cut",
         {{"TALLER1", "Taller 1"}, {"TALLER2", "Taller 2"}},
         {"TALL", "TALL"}},
        {"record of one item skipped", {{"A1"}, {"A1", "Aula"}}, {"A1"}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        EXPECT_EQ(codigos(c.dependencias), c.esperados);
    }
}

TEST_F(TraspasarAulasTest, RowsAndTheFieldsLeftBlank) {
    const std::string largo = "Salón de actos y de usos múltiples del edificio B";
    cargar({{"DEPENDENCIAS", {{"A101", " Aula 101 "}, {"SUM", largo}}}});
    TraspasarAulas(m_session);
    EXPECT_EQ(
        leer("AULAT", {"ABREV", "NOMBRE", "EDIFICIO", "MAXALUM", "DEPCENTRO"}),
        (std::vector<Fila>{{"A101", "Aula 101", "", "", ""},
                           {"SUM", ansiToUtf8(utf8ToAnsi(largo).substr(0, 40)), "", "", ""}}));
    Table t(m_trabajo.path(), "AULAT.DBF");
    t.open(OpenMode::Shared);
    for (t.first(); !t.eof(); t.next()) {
        EXPECT_TRUE(t.isNull("MAXALUM"));
    }
}

TEST_F(TraspasarAulasTest, IndependentReaderSeesTheSameRows) {
    cargar(
        {{"DEPENDENCIAS", {{"", "Gimnasio"}, {"", "Gimnasio pequeño"}, {"LAB", "Laboratorio"}}}});
    TraspasarAulas(m_session);
    bool ausente = false;
    const auto filas = leerIndependiente(
        tabla("AULAT"), {"ABREV", "NOMBRE", "EDIFICIO", "MAXALUM", "DEPCENTRO"}, &ausente);
    if (ausente) {
        GTEST_SKIP() << "python3-dbfread is not installed";
    }
    EXPECT_EQ(filas, (std::vector<Fila>{{"Gimn", "Gimnasio", "", "", ""},
                                        {"Gi1", "Gimnasio pequeño", "", "", ""},
                                        {"LAB", "Laboratorio", "", "", ""}}));
}

}  // namespace
}  // namespace qv::prueba
