// The maps that serve the import's lookups against the scans and the filter they replace: the
// same rows, in the same order, on tables with repeated keys, keys that differ only by case or by
// trailing blanks, blank keys, NUL padding and deleted rows.
#include <gtest/gtest.h>

#include "Fixtures.h"
#include "import/PrimeraFilaPorClave.h"
#include "services/Error.h"
#include "services/Table.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using prueba::Fila;
using prueba::Leccion;

// Rows are told apart by ID (unique); K1 and K2 are the key fields.
const TableSchema kTabla{
    "CLAVES", {textField("K1", 4), textField("K2", 6), textField("ID", 8)}, {}};

// Marks row R (from 0) of a dBase file deleted, or pads its field bytes at OFFSET..OFFSET+N with
// NULs instead of blanks, the way other programs leave them.
void cambiarFila(const fs::path& archivo, int r, int offset, std::string_view bytes) {
    std::string b = prueba::leerArchivo(archivo);
    const auto u16 = [&](std::size_t at) {
        return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
    };
    const std::size_t at =
        u16(8) + static_cast<std::size_t>(r) * u16(10) + static_cast<std::size_t>(offset);
    b.replace(at, bytes.size(), bytes);
    prueba::escribirArchivo(archivo, b);
}

class Claves : public ::testing::Test {
protected:
    void SetUp() override {
        prueba::crearTabla(m_carpeta.ruta(), kTabla,
                           {
                               {{"K1", "MAT"}, {"K2", "1A"}, {"ID", "borrada"}},   // 0, deleted
                               {{"K1", "MAT"}, {"K2", "1A"}, {"ID", "mat1a"}},     // 1
                               {{"K1", "MAT"}, {"K2", "1A"}, {"ID", "mat1a-2"}},   // 2
                               {{"K1", "mat"}, {"K2", "1A"}, {"ID", "minus"}},     // 3
                               {{"K1", " MAT"}, {"K2", "1A"}, {"ID", "espacio"}},  // 4
                               {{"K1", "MAT"}, {"K2", ""}, {"ID", "singrupo"}},    // 5
                               {{"K1", ""}, {"K2", ""}, {"ID", "vacia"}},          // 6
                               {{"K1", "LEN"}, {"K2", "1B"}, {"ID", "nul"}},       // 7, NUL pad
                               {{"K1", "LEN"}, {"K2", "1B"}, {"ID", "len1b-2"}},   // 8
                               {{"K1", "MA"}, {"K2", "T1A"}, {"ID", "partida"}},   // 9
                           });
        const fs::path archivo = m_carpeta.ruta() / "CLAVES.DBF";
        cambiarFila(archivo, 0, 0, "*");
        cambiarFila(archivo, 7, 1 + 3, std::string(1, '\0'));      // K1 "LEN\0"
        cambiarFila(archivo, 7, 1 + 4 + 2, std::string(4, '\0'));  // K2 "1B\0\0\0\0"
        m_tabla.open(OpenMode::Shared);
        m_comparada.open(OpenMode::Shared);
    }

    // The scan the lookups replace: from the first row, every field's text equal to its value.
    std::string escanear(const std::vector<std::string>& campos,
                         const std::vector<std::string>& valores) {
        for (m_comparada.first(); !m_comparada.eof(); m_comparada.next()) {
            bool iguales = true;
            for (std::size_t i = 0; i < campos.size() && iguales; ++i) {
                iguales = m_comparada.asString(campos[i]) == valores[i];
            }
            if (iguales) {
                return m_comparada.asString("ID");
            }
        }
        return "(ninguna)";
    }

    std::string localizarEnLaTabla(const std::vector<std::string>& valores) {
        return m_comparada.locate("K1;K2", valores) ? m_comparada.asString("ID") : "(ninguna)";
    }

    std::string respuesta(bool encontrada) {
        return encontrada ? m_tabla.asString("ID") : "(ninguna)";
    }

    prueba::CarpetaTemporal m_carpeta;
    Table m_tabla{m_carpeta.ruta(), "CLAVES.DBF"};
    Table m_comparada{m_carpeta.ruta(), "CLAVES.DBF"};
};

struct Pregunta {
    std::string k1;
    std::string k2;
    std::string porEscaneo;  // what the scan answers
    std::string porLocate;   // what Table::locate answers
};

const Pregunta kPreguntas[] = {
    {"MAT", "1A", "mat1a", "mat1a"},       // the deleted row does not count; first wins
    {"mat", "1A", "minus", "minus"},       // case matters
    {" MAT", "1A", "espacio", "espacio"},  // leading blanks matter
    {"MAT ", "1A", "(ninguna)", "mat1a"},  // trailing blanks: locate sets them aside
    {"MAT", "1A  ", "(ninguna)", "mat1a"},
    {"MAT", "", "singrupo", "singrupo"},  // blank key fields
    {"", "", "vacia", "vacia"},
    {"   ", "", "(ninguna)", "vacia"},
    {"LEN", "1B", "nul", "nul"},          // NUL padding reads as no padding
    {"MA", "T1A", "partida", "partida"},  // the fields are not joined into one text
    {"MAT1", "A", "(ninguna)", "(ninguna)"},
    {"MATE", "1A", "(ninguna)", "(ninguna)"},
    {"MATES", "1A", "(ninguna)", "(ninguna)"},    // longer than the field
    {"MAT    ", "1A", "(ninguna)", "(ninguna)"},  // longer than the field, even if only blanks
    {"ZZZ", "9Z", "(ninguna)", "(ninguna)"},
};

TEST_F(Claves, ElMapaContestaComoElEscaneoYComoLocate) {
    PrimeraFilaPorClave porDosCampos(m_tabla, {"K1", "K2"});
    for (const Pregunta& p : kPreguntas) {
        SCOPED_TRACE("'" + p.k1 + "' '" + p.k2 + "'");
        ASSERT_EQ(escanear({"K1", "K2"}, {p.k1, p.k2}), p.porEscaneo);
        ASSERT_EQ(localizarEnLaTabla({p.k1, p.k2}), p.porLocate);
        EXPECT_EQ(respuesta(porDosCampos.buscar({p.k1, p.k2})), p.porEscaneo);
        EXPECT_EQ(respuesta(porDosCampos.localizar({p.k1, p.k2})), p.porLocate);
    }
}

TEST_F(Claves, UnSoloCampoYLaFilaQuedaComoLaDejaElEscaneo) {
    PrimeraFilaPorClave porK1(m_tabla, {"K1"});
    for (const std::string k1 : {"MAT", "mat", "LEN", "", "MA", "XX", "MAT "}) {
        SCOPED_TRACE("'" + k1 + "'");
        const std::string esperada = escanear({"K1"}, {k1});
        const bool encontrada = porK1.buscar({k1});
        EXPECT_EQ(respuesta(encontrada), esperada);
        // Found: the row is current; not found: the table is at its end, as after the scan.
        EXPECT_EQ(m_tabla.eof(), !encontrada);
        if (encontrada) {
            EXPECT_EQ(m_tabla.recNo(), m_comparada.recNo());
        }
    }
}

TEST_F(Claves, UnCampoQueNoExisteEsElErrorDeLaTabla) {
    PrimeraFilaPorClave mal(m_tabla, {"K1", "NOHAY"});
    EXPECT_THROW(mal.buscar({"MAT", "x"}), TableError);
    PrimeraFilaPorClave malLocate(m_tabla, {"NOHAY"});
    EXPECT_THROW(malLocate.localizar({"x"}), TableError);
}

TEST(ClavesTablaVacia, NadaQueEncontrarYNingunCampoLeido) {
    prueba::CarpetaTemporal carpeta;
    prueba::crearTabla(carpeta.ruta(), kTabla, {});
    Table tabla(carpeta.ruta(), "CLAVES.DBF");
    tabla.open(OpenMode::Shared);
    PrimeraFilaPorClave mapa(tabla, {"K1", "K2"});
    EXPECT_FALSE(mapa.buscar({"", ""}));
    EXPECT_FALSE(mapa.localizar({"", ""}));
}

// SOLUC rows by teacher against the filter PROF= 'ABREV'.
class SolucPorProfesor : public ::testing::Test {
protected:
    void SetUp() override {
        // TAREA tells the rows apart.
        const std::vector<Leccion> filas = {
            {"AB", 1, 1, "MAT", "1A", "r1", ""},    {"ab", 1, 2, "MAT", "1A", "r2", ""},
            {"AB", 0, 3, "MAT", "1A", "r3", ""},    {"O'B", 2, 1, "LEN", "1B", "r4", ""},
            {"", 2, 2, "LEN", "1B", "r5", ""},      {" AB", 2, 3, "LEN", "1B", "r6", ""},
            {"AB", 3, 1, "FIS", "2A", "r7", ""},    {"ABCD", 3, 2, "FIS", "2A", "r8", ""},
            {"O'B", 3, 3, "FIS", "2A", "r9", "A1"}, {"AB", 4, 4, "", "", "", ""},
        };
        prueba::escribirSoluc(m_carpeta.ruta() / "SOLUC.DBF", filas);
        m_soluc.open(OpenMode::Shared);
        m_comparada.open(OpenMode::Shared);
    }

    std::vector<std::string> porFiltro(const std::string& abrev) {
        m_comparada.setFiltered(false);
        m_comparada.setFilter(filtroProfesor(abrev));
        m_comparada.setFiltered(true);
        std::vector<std::string> filas;
        for (m_comparada.first(); !m_comparada.eof(); m_comparada.next()) {
            filas.push_back(m_comparada.asString("TAREA") + "/" + m_comparada.asString("DIA"));
        }
        return filas;
    }

    prueba::CarpetaTemporal m_carpeta;
    Table m_soluc{m_carpeta.ruta(), "SOLUC.DBF"};
    Table m_comparada{m_carpeta.ruta(), "SOLUC.DBF"};
};

TEST_F(SolucPorProfesor, LasMismasFilasEnElMismoOrdenQueElFiltro) {
    FilasPorProfesor grupos(m_soluc);
    for (const std::string abrev :
         {"AB", "ab", "O'B", "", " AB", "ABCD", "AB  ", "ABCDE", "ABCD ", "ZZ", "AB"}) {
        SCOPED_TRACE("'" + abrev + "'");
        grupos.seleccionar(abrev);
        std::vector<std::string> filas;
        grupos.recorrer(
            [&] { filas.push_back(m_soluc.asString("TAREA") + "/" + m_soluc.asString("DIA")); });
        EXPECT_EQ(filas, porFiltro(abrev));
    }
    // The cases above are not all empty: the grouping is really compared.
    EXPECT_EQ(porFiltro("AB"), (std::vector<std::string>{"r1/1", "r3/0", "r7/3", "/4"}));
}

// A PROF that is a number compares as a number ("012" selects 12): the filter itself serves it.
TEST(SolucProfNumerico, LasFilasDelFiltroNumerico) {
    prueba::CarpetaTemporal carpeta;
    const TableSchema esquema{"SOLUC", {integerField("PROF"), textField("TAREA", 4)}, {}};
    prueba::crearTabla(carpeta.ruta(), esquema,
                       {{{"PROF", "12"}, {"TAREA", "a"}},
                        {{"PROF", "7"}, {"TAREA", "b"}},
                        {{"PROF", "12"}, {"TAREA", "c"}},
                        {{"TAREA", "d"}}});
    Table soluc(carpeta.ruta(), "SOLUC.DBF");
    Table comparada(carpeta.ruta(), "SOLUC.DBF");
    soluc.open(OpenMode::Shared);
    comparada.open(OpenMode::Shared);
    FilasPorProfesor grupos(soluc);
    for (const std::string abrev : {"12", "012", " 12", "7", "", "x"}) {
        SCOPED_TRACE("'" + abrev + "'");
        grupos.seleccionar(abrev);
        std::string filas;
        grupos.recorrer([&] { filas += soluc.asString("TAREA"); });
        comparada.setFiltered(false);
        comparada.setFilter(filtroProfesor(abrev));
        comparada.setFiltered(true);
        std::string esperadas;
        for (comparada.first(); !comparada.eof(); comparada.next()) {
            esperadas += comparada.asString("TAREA");
        }
        EXPECT_EQ(filas, esperadas);
        if (abrev == "012") {
            EXPECT_EQ(filas, "ac");
        }
    }
}

TEST(SolucSinProf, ElErrorEsElDelFiltro) {
    prueba::CarpetaTemporal carpeta;
    prueba::crearTabla(carpeta.ruta(), kTabla, {{{"K1", "AB"}, {"ID", "x"}}});
    Table tabla(carpeta.ruta(), "CLAVES.DBF");
    tabla.open(OpenMode::Shared);
    FilasPorProfesor grupos(tabla);
    std::string esperado;
    try {
        Table otra(carpeta.ruta(), "CLAVES.DBF");
        otra.open(OpenMode::Shared);
        otra.setFilter(filtroProfesor("AB"));
        otra.setFiltered(true);
    } catch (const TableError& e) {
        esperado = e.what();
    }
    ASSERT_FALSE(esperado.empty());
    try {
        grupos.seleccionar("AB");
        FAIL() << "no error";
    } catch (const TableError& e) {
        EXPECT_EQ(std::string(e.what()), esperado);
    }
}

}  // namespace
}  // namespace qv
