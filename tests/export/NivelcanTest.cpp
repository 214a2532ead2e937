// The level table built beside the executables from data/nivelcan.tsv, and the generator's
// refusal of rows that do not fit.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "PasosFixture.h"
#include "formats/WorkTables.h"
#include "services/Table.h"
#include "services/Text.h"

namespace qv::prueba {
namespace {

namespace fs = std::filesystem;

std::vector<Fila> filasDelTexto(const fs::path& archivo) {
    std::ifstream in(archivo);
    std::vector<Fila> filas;
    std::string linea;
    while (std::getline(in, linea)) {
        if (linea.empty() || linea[0] == '#') {
            continue;
        }
        Fila f;
        std::istringstream partes(linea);
        std::string parte;
        while (std::getline(partes, parte, '\t')) {
            f.push_back(parte);
        }
        filas.push_back(f);
    }
    return filas;
}

TEST(Nivelcan, BuiltBesideTheExecutablesFromItsRows) {
    const fs::path tabla = fs::path(TM_BIN_DIR) / "NIVELCAN.DBF";
    ASSERT_TRUE(fs::exists(tabla));
    const auto esperadas = filasDelTexto(TM_SOURCE_DIR "/data/nivelcan.tsv");
    EXPECT_GE(esperadas.size(), 20u);
    EXPECT_EQ(leerTabla(tabla, {"X_OFERTAMATRIG", "NIVEL_ABREV", "ESTUDIO"}), esperadas);
    bool ausente = false;
    EXPECT_EQ(leerIndependiente(tabla, {"X_OFERTAMATRIG", "NIVEL_ABREV", "ESTUDIO"}, &ausente),
              esperadas);

    Table t(tabla.parent_path(), "NIVELCAN.dbf");
    t.open(OpenMode::Shared);
    EXPECT_EQ(t.fields().size(), tablas::NIVELCAN.fields.size());
    ASSERT_TRUE(t.locate("X_OFERTAMATRIG", {"3101"}));
    EXPECT_EQ(t.asInteger("X_OFERTAMATRIG"), 3101);
    EXPECT_EQ(t.asString("ESTUDIO"), utf8ToAnsi("Educación Secundaria Obligatoria"));
}

TEST(Nivelcan, GeneratorRefusesRowsThatDoNotFit) {
    struct Caso {
        const char* fila;
        const char* mensaje;
    };
    const std::vector<Caso> casos = {
        {"12x\tESO\tEducación", "the key '12x' is not a whole number"},
        {"12\tESO", "expected 3 tab-separated columns, found 2"},
        {"12\tBACHIL\tBachillerato", "NIVEL_ABREV 'BACHIL' is longer than 5 characters"},
        {"12\tESO\tEducación Secundaria Obligatoria (primer ciclo)",
         "ESTUDIO 'Educación Secundaria Obligatoria (primer ciclo)' is longer than 40 characters"},
        {"12\tESO\tPrecio en €uros ✓", "has characters Windows-1252 lacks"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.fila);
        CarpetaTemporal carpeta;
        const fs::path filas = carpeta.path() / "filas.tsv";
        std::ofstream(filas) << "# comment\n1\tESO\tBien\n" << c.fila << "\n";
        const fs::path salida = carpeta.path() / "salida";
        const std::string orden = std::string("'") + TM_GENERADOR_NIVELCAN + "' '" +
                                  filas.string() + "' '" + salida.string() + "' 2>&1";
        std::unique_ptr<FILE, int (*)(FILE*)> tubo(popen(orden.c_str(), "r"), pclose);
        std::string texto;
        char trozo[512];
        std::size_t n = 0;
        while ((n = std::fread(trozo, 1, sizeof trozo, tubo.get())) > 0) {
            texto.append(trozo, n);
        }
        EXPECT_NE(pclose(tubo.release()), 0);
        EXPECT_NE(texto.find(filas.string() + ":3: "), std::string::npos) << texto;
        EXPECT_NE(texto.find(c.mensaje), std::string::npos) << texto;
        EXPECT_FALSE(fs::exists(salida / "NIVELCAN.DBF"));
    }
}

}  // namespace
}  // namespace qv::prueba
