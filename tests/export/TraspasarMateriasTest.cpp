#include <gtest/gtest.h>

#include "PasosFixture.h"
#include "export/ExportSteps.h"
#include "services/Table.h"

namespace qv::prueba {
namespace {

const std::vector<std::string> kNombres = {"COD", "CODLARGO", "NOMBRE", "CODTAREA", "ESTAREA"};
const std::vector<std::string> kPorCurso = {"COD",         "CODLARGO", "NOMBRE", "MATERIA",
                                            "OFERTAMATRI", "CODTAREA", "ESTAREA"};

class TraspasarMateriasTest : public PasoTest {
protected:
    void exportar(const std::vector<Fila>& materias, const std::vector<Fila>& actividades = {}) {
        cargar({{"MATERIAS", materias}, {"ACTIVIDADES", actividades}});
        TraspasarMaterias(m_session);
        TraspasarActividades(m_session);
    }
};

TEST_F(TraspasarMateriasTest, WorkedExample) {
    exportar({
        {"101", "5001", "Matemáticas", "MAT"},
        {"102", "5002", "Matemáticas", "MAT"},
        {"102", "5002", "Matemáticas", "MAT"},
        {"101", "5003", "Matemáticas II", "MATEMAT2"},
        {"103", "5004", "Matemáticas aplicadas", "MATEAP"},
        {"104", "5005", "Música", ""},
    });
    EXPECT_EQ(leer("ASIGNOMT", kNombres),
              (std::vector<Fila>{
                  {"MAT", "MAT", "Matemáticas", "", "False"},
                  {"MATE", "MATEMAT2", "Matemáticas II", "", "False"},
                  {"MAT1", "MATEAP", "Matemáticas aplicadas", "", "False"},
                  {"Músi", "Músi", "Música", "", "False"},
              }));
    EXPECT_EQ(leer("ASIGNOMT2", kPorCurso),
              (std::vector<Fila>{
                  {"MAT", "MAT", "Matemáticas", "5001", "101", "", "False"},
                  {"MAT", "MAT", "Matemáticas", "5002", "102", "", "False"},
                  {"MATE", "MATEMAT2", "Matemáticas II", "5003", "101", "", "False"},
                  {"MAT1", "MATEAP", "Matemáticas aplicadas", "5004", "103", "", "False"},
                  {"Músi", "Músi", "Música", "5005", "104", "", "False"},
              }));
}

TEST_F(TraspasarMateriasTest, AccentsAreSingleAnsiBytesInTheTable) {
    exportar({{"104", "5005", "Música", ""}});
    Table t(m_trabajo.path(), "ASIGNOMT.DBF");
    t.open(OpenMode::Shared);
    t.first();
    EXPECT_EQ(t.asString("COD"), "M\xFAsi");
    EXPECT_EQ(t.asString("NOMBRE"), "M\xFAsica");
}

// Codes of one base, numbered on its first three characters; a key of five characters is kept
// whole in the list and written as its first two and last two characters.
TEST_F(TraspasarMateriasTest, NumberingPastNineShortensTheCode) {
    std::vector<Fila> materias;
    for (int i = 0; i < 12; ++i) {
        materias.push_back({"101", std::to_string(6000 + i), "Materia " + std::to_string(i),
                            "MATE" + std::to_string(i)});
    }
    cargar({{"MATERIAS", materias}});
    TraspasarMaterias(m_session);
    EXPECT_EQ(columna(leer("ASIGNOMT", {"COD"}), 0),
              (std::vector<std::string>{"MATE", "MAT1", "MAT2", "MAT3", "MAT4", "MAT5", "MAT6",
                                        "MAT7", "MAT8", "MAT9", "MA10", "MA11"}));
    EXPECT_TRUE(m_session.CodigosAsignados.contains("MAT10"));
    EXPECT_FALSE(m_session.CodigosAsignados.contains("MA10"));
    EXPECT_EQ(columna(leer("ASIGNOMT2", {"COD"}), 0), columna(leer("ASIGNOMT", {"COD"}), 0));

    // The activities step empties the lists for the next export.
    TraspasarActividades(m_session);
    EXPECT_TRUE(m_session.CodigosAsignados.empty());
    EXPECT_TRUE(m_session.CodigosLargos.empty());
    EXPECT_TRUE(m_session.NombresMaterias.empty());
    EXPECT_TRUE(m_session.CodigosNombres.empty());
}

TEST_F(TraspasarMateriasTest, ShortCodeNumbersOnItsWholeText) {
    exportar({
        {"101", "1", "Física y Química", "FQ"},
        {"101", "2", "Física", "FQ"},
        {"101", "3", "Química", "FQ"},
    });
    EXPECT_EQ(columna(leer("ASIGNOMT", {"COD"}), 0),
              (std::vector<std::string>{"FQ", "FQ1", "FQ2"}));
}

// The joined code-and-name list has no separator: ('AB','Cde') makes ('ABC','de') look met.
TEST_F(TraspasarMateriasTest, JoinedListMakesALaterRecordARepeatThatWritesNothing) {
    exportar({
        {"101", "1", "Cde", "AB"},
        {"101", "2", "x", "ABC"},
        {"101", "3", "de", "XY"},
        {"101", "4", "de", "ABC"},
    });
    EXPECT_EQ(leer("ASIGNOMT", {"COD", "CODLARGO", "NOMBRE"}),
              (std::vector<Fila>{{"AB", "AB", "Cde"}, {"ABC", "ABC", "x"}, {"XY", "XY", "de"}}));
    EXPECT_EQ(columna(leer("ASIGNOMT2", {"MATERIA"}), 0),
              (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(TraspasarMateriasTest, RepeatsAreFoundByTheValuesAsStored) {
    const std::string largo(45, 'n');
    exportar({
        // Same name, another code: no repeat, a row of its own.
        {"101", "1", "Lengua", "LEN"},
        {"101", "2", "Lengua", "LCL"},
        // A long code of more than eight characters: the repeat finds no row.
        {"101", "3", "Latín", "LATINCLASICO"},
        {"102", "4", "Latín", "LATINCLASICO"},
        // A name of more than forty: the repeat finds its row by the first forty.
        {"101", "5", largo, "LRG"},
        {"102", "6", largo, "LRG"},
        // A name that differs only in case is no repeat: the joined list compares exactly.
        {"102", "7", "LENGUA", "LEN"},
    });
    EXPECT_EQ(leer("ASIGNOMT", {"COD", "CODLARGO", "NOMBRE"}),
              (std::vector<Fila>{{"LEN", "LEN", "Lengua"},
                                 {"LCL", "LCL", "Lengua"},
                                 {"LATI", "LATINCLA", "Latín"},
                                 {"LRG", "LRG", largo.substr(0, 40)},
                                 {"LEN1", "LEN", "LENGUA"}}));
    EXPECT_EQ(leer("ASIGNOMT2", {"COD", "MATERIA", "OFERTAMATRI"}),
              (std::vector<Fila>{{"LEN", "1", "101"},
                                 {"LCL", "2", "101"},
                                 {"LATI", "3", "101"},
                                 {"LRG", "5", "101"},
                                 {"LRG", "6", "102"},
                                 {"LEN1", "7", "102"}}));
}

// Two names that share their first forty characters give two ASIGNOMT rows with the same
// CODLARGO and NOMBRE; a repeat of the second finds the first of them, as a locate from the first
// row does.
TEST_F(TraspasarMateriasTest, ARepeatTakesTheFirstRowOfItsStoredValues) {
    const std::string comun(40, 'n');
    exportar({
        {"101", "1", comun + "aaaaa", "LRG"},
        {"101", "2", comun + "bbbbb", "LRG"},
        {"102", "3", comun + "bbbbb", "LRG"},
    });
    EXPECT_EQ(leer("ASIGNOMT", {"COD", "CODLARGO", "NOMBRE"}),
              (std::vector<Fila>{{"LRG", "LRG", comun}, {"LRG1", "LRG", comun}}));
    EXPECT_EQ(leer("ASIGNOMT2", {"COD", "MATERIA", "OFERTAMATRI"}),
              (std::vector<Fila>{{"LRG", "1", "101"}, {"LRG1", "2", "101"}, {"LRG", "3", "102"}}));
}

TEST_F(TraspasarMateriasTest, ShortRecordsAreSkippedOrReadWithEmptyItems) {
    exportar({{"101"}, {"102", "5002"}, {"103", "5003", "Tutoría"}}, {{"9"}, {"9", "AB"}});
    EXPECT_EQ(leer("ASIGNOMT", kNombres),
              (std::vector<Fila>{{"", "", "", "", "False"},
                                 {"Tuto", "Tuto", "Tutoría", "", "False"},
                                 {"AB", "", "", "AB", "True"}}));
    EXPECT_EQ(leer("ASIGNOMT2", {"MATERIA", "OFERTAMATRI"}),
              (std::vector<Fila>{{"5002", "102"}, {"5003", "103"}}));
}

TEST_F(TraspasarMateriasTest, ActivitiesAreAppendedAsTasksAsTheyCome) {
    exportar({{"101", "5001", "Matemáticas", "MAT"}}, {
                                                          {"1", "ABCDE", "Biblioteca"},
                                                          {"2", " 513 ", " Guardia "},
                                                          {"3", "513", "Guardia de recreo"},
                                                          {"4", "MAT", "Matemáticas"},
                                                      });
    EXPECT_EQ(leer("ASIGNOMT", kNombres),
              (std::vector<Fila>{{"MAT", "MAT", "Matemáticas", "", "False"},
                                 {"ABCD", "Bibliote", "Biblioteca", "ABCDE", "True"},
                                 {"513", "Guardia", "Guardia", "513", "True"},
                                 {"513", "Guardia", "Guardia de recreo", "513", "True"},
                                 {"MAT", "Matemáti", "Matemáticas", "MAT", "True"}}));
    EXPECT_EQ(leer("ASIGNOMT2", {"COD"}).size(), 1u);
}

TEST_F(TraspasarMateriasTest, NoRecordGroupsGiveEmptyTables) {
    cargar({{"materias", {{"101", "5001", "Matemáticas", "MAT"}}}});
    TraspasarMaterias(m_session);
    TraspasarActividades(m_session);
    EXPECT_TRUE(leer("ASIGNOMT", kNombres).empty());
    EXPECT_TRUE(leer("ASIGNOMT2", kPorCurso).empty());
}

TEST_F(TraspasarMateriasTest, ASecondExportGivesTheSameTables) {
    const std::vector<Fila> materias = {
        {"101", "5001", "Matemáticas", "MAT"},
        {"102", "5002", "Matemáticas", "MAT"},
        {"101", "5003", "Matemáticas II", "MATEMAT2"},
        {"103", "5004", "Matemáticas aplicadas", "MATEAP"},
    };
    exportar(materias, {{"1", "2", "Guardia"}});
    const auto primera = leer("ASIGNOMT", kNombres);
    const auto primera2 = leer("ASIGNOMT2", kPorCurso);
    exportar(materias, {{"1", "2", "Guardia"}});
    EXPECT_EQ(leer("ASIGNOMT", kNombres), primera);
    EXPECT_EQ(leer("ASIGNOMT2", kPorCurso), primera2);
    EXPECT_EQ(primera.size(), 4u);
}

TEST_F(TraspasarMateriasTest, IndependentReaderSeesTheSameRows) {
    exportar({{"101", "5001", "Matemáticas", "MAT"}, {"104", "5005", "Música", ""}},
             {{"1", "ABCDE", "Biblioteca"}});
    bool ausente = false;
    const auto filas = leerIndependiente(tabla("ASIGNOMT"), kNombres, &ausente);
    if (ausente) {
        GTEST_SKIP() << "python3-dbfread is not installed";
    }
    EXPECT_EQ(filas, (std::vector<Fila>{{"MAT", "MAT", "Matemáticas", "", "False"},
                                        {"Músi", "Músi", "Música", "", "False"},
                                        {"ABCD", "Bibliote", "Biblioteca", "ABCDE", "True"}}));
    EXPECT_EQ(leerIndependiente(tabla("ASIGNOMT2"), kPorCurso, &ausente),
              (std::vector<Fila>{{"MAT", "MAT", "Matemáticas", "5001", "101", "", "False"},
                                 {"Músi", "Músi", "Música", "5005", "104", "", "False"}}));
}

}  // namespace
}  // namespace qv::prueba
