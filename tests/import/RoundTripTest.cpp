// Export the sample document, place lessons the way the timetabling program would (SOLUC.DBF of
// its own), import, and check every activity against the keys of the original document.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "FakePort.h"
#include "Fixtures.h"
#include "export/ExportRun.h"
#include "formats/ExchangeDocument.h"
#include "import/ImportRun.h"
#include "services/Paths.h"
#include "services/Session.h"
#include "services/Table.h"
#include "services/Text.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using prueba::Leccion;

struct Asignacion {
    std::string casig, cgrup, clave, clavecurso, ctarea;
};
struct Hueco {
    int dia, hora;
    std::string coddiho;
};

std::vector<std::string> columna(const fs::path& carpeta, const char* tabla, const char* campo) {
    std::vector<std::string> valores;
    Table t(carpeta, tabla);
    t.open(OpenMode::Shared);
    for (t.first(); !t.eof(); t.next()) {
        valores.push_back(t.asString(campo));
    }
    return valores;
}

// Item 0 of each record of SEQ mapped to its item N (UTF-8, trimmed).
std::map<std::string, std::string> clavesDe(const XmlDocument& doc, const char* seq, int n) {
    std::map<std::string, std::string> claves;
    for (const Registro& r : registrosDe(doc, seq)) {
        if (r.leible()) {
            claves.emplace(ansiToUtf8(r.valor(0)), ansiToUtf8(r.valor(n)));
        }
    }
    return claves;
}

// Both runs through quorvane-cli, or in this process through a fake port.
enum class Via { Cli, EnProceso };

std::string entreComillas(const fs::path& p) {
    return "'" + p.string() + "'";
}

class IdaYVuelta : public ::testing::TestWithParam<Via> {
protected:
    void SetUp() override {
        fs::create_directories(m_trabajo);
        fs::copy_file(fs::path(TM_SOURCE_DIR) / "data" / "ejemplo.xml", m_elegido);
    }

    void exportar() {
        if (GetParam() == Via::Cli) {
            const std::string orden = entreComillas(fs::path(TM_BIN_DIR) / "quorvane-cli") +
                                      " exportar " + entreComillas(m_elegido) +
                                      " --plantilla 1 > " +
                                      entreComillas(m_carpeta.ruta() / "exportar.txt");
            ASSERT_EQ(prueba::ejecutar(orden), 0)
                << prueba::leerArchivo(m_carpeta.ruta() / "exportar.txt");
            return;
        }
        Session session(m_trabajo, TM_BIN_DIR);
        prueba::FakePort port;
        port.archivo = m_elegido;
        port.plantilla = "1";
        BExportarClick(session, port);
        ASSERT_EQ(port.mensajes, std::vector<std::string>{"Proceso finalizado"});
    }

    // Lessons as a timetable would place them: every assignment once (a few left unplaced
    // with DIA 0), some with blank TAREA or AULA, and duties of the activity codes.
    std::vector<Leccion> colocarLecciones() {
        std::vector<Asignacion> asignaciones;
        {
            Table asigt(m_trabajo, "ASIGT.DBF");
            asigt.open(OpenMode::Shared);
            for (asigt.first(); !asigt.eof(); asigt.next()) {
                asignaciones.push_back({asigt.asString("CASIG"), asigt.asString("CGRUP"),
                                        asigt.asString("CLAVE"), asigt.asString("CLAVECURSO"),
                                        asigt.asString("CTAREA")});
            }
        }
        std::vector<Hueco> huecos;
        {
            Table t(m_trabajo, "DIASHORAST.DBF");
            t.open(OpenMode::Shared);
            for (t.first(); !t.eof(); t.next()) {
                huecos.push_back({std::stoi(t.asString("DIA")), std::stoi(t.asString("HORA")),
                                  t.asString("CODDIHO")});
            }
        }
        const auto profesores = columna(m_trabajo, "PROFT.DBF", "ABREV");
        const auto aulas = columna(m_trabajo, "AULAT.DBF", "ABREV");
        EXPECT_GE(asignaciones.size(), 30u);
        EXPECT_FALSE(huecos.empty());
        EXPECT_GE(profesores.size(), 2u);

        std::vector<Leccion> lecciones;
        const std::size_t n = std::min<std::size_t>(asignaciones.size(), 48);
        for (std::size_t i = 0; i < n; ++i) {
            const Asignacion& a = asignaciones[i * asignaciones.size() / n];
            const Hueco& h = huecos[(i * 5) % huecos.size()];
            Leccion l{profesores[i % profesores.size()],
                      i % 9 == 4 ? 0 : h.dia,
                      h.hora,
                      a.casig,
                      a.cgrup,
                      i % 3 == 0 ? std::string() : a.ctarea,
                      i % 4 == 1 ? std::string() : aulas[i % aulas.size()]};
            lecciones.push_back(l);
            m_esperado.push_back(a);
        }
        // Duties: the activity's short code, no group, no task.
        Table nomasg(m_trabajo, "ASIGNOMT.DBF");
        nomasg.open(OpenMode::Shared);
        for (nomasg.first(); !nomasg.eof(); nomasg.next()) {
            if (nomasg.asBoolean("ESTAREA")) {
                const Hueco& h = huecos[lecciones.size() % huecos.size()];
                lecciones.push_back({profesores[lecciones.size() % profesores.size()], h.dia,
                                     h.hora, nomasg.asString("COD"), "", "", ""});
                m_esperado.push_back(
                    {nomasg.asString("COD"), "", "", "", nomasg.asString("CODTAREA")});
            }
        }
        return lecciones;
    }

    void importar() {
        if (GetParam() == Via::Cli) {
            const fs::path salida = m_carpeta.ruta() / "importar.txt";
            const std::string orden = entreComillas(fs::path(TM_BIN_DIR) / "quorvane-cli") +
                                      " importar " + entreComillas(m_elegido) + " > " +
                                      entreComillas(salida);
            ASSERT_EQ(prueba::ejecutar(orden), 0) << prueba::leerArchivo(salida);
            EXPECT_EQ(prueba::leerArchivo(salida), "Proceso finalizado\n");
            return;
        }
        Session session(m_trabajo, TM_BIN_DIR);
        prueba::FakePort port;
        port.archivo = m_elegido;
        BImportarClick(session, port);
        ASSERT_EQ(port.mensajes, std::vector<std::string>{"Proceso finalizado"});
        EXPECT_EQ(port.dialogosProfesores, 0);
    }

    prueba::CarpetaTemporal m_carpeta;
    prueba::PrefijoWine m_wine{m_carpeta.ruta() / "wine"};
    fs::path m_trabajo = workFolder();
    fs::path m_elegido = m_carpeta.ruta() / "ejemplo.xml";
    std::vector<Asignacion> m_esperado;
};

TEST_P(IdaYVuelta, CadaActividadLlevaLasClavesDelDocumento) {
    ASSERT_EQ(m_trabajo, m_carpeta.ruta() / "wine" / "drive_c" / "VTEMP");
    ASSERT_NO_FATAL_FAILURE(exportar());
    const std::vector<Leccion> lecciones = colocarLecciones();
    prueba::escribirSoluc(m_trabajo / "SOLUC.DBF", lecciones);
    ASSERT_NO_FATAL_FAILURE(importar());

    const fs::path salida = m_carpeta.ruta() / "ResultadoVelkorejemplo.xml";
    ASSERT_TRUE(fs::exists(salida));
    EXPECT_EQ(prueba::ejecutar("xmllint --noout '" + salida.string() + "'"), 0);

    XmlDocument original;
    original.load(m_elegido);
    std::set<std::pair<std::string, std::string>> materiaEnCurso;
    for (const Registro& r : registrosDe(original, "MATERIAS")) {
        materiaEnCurso.emplace(ansiToUtf8(r.valor(1)), ansiToUtf8(r.valor(0)));
    }
    const auto unidades = clavesDe(original, "UNIDADES", 2);       // unit -> course
    const auto tramos = clavesDe(original, "TRAMOS_HORARIOS", 2);  // slot -> start minutes
    const auto tramosFin = clavesDe(original, "TRAMOS_HORARIOS", 3);
    std::map<std::string, std::string> claveDeSala;  // room name -> its key (may be blank)
    std::map<std::string, int> vecesClave;
    for (const Registro& r : registrosDe(original, "DEPENDENCIAS")) {
        if (r.leible()) {
            claveDeSala.emplace(ansiToUtf8(r.valor(1)), ansiToUtf8(r.valor(0)));
            ++vecesClave[ansiToUtf8(r.valor(0))];
        }
    }
    std::map<std::string, std::string> aulas;  // AULAT: code -> name
    {
        const auto codigos = columna(m_trabajo, "AULAT.DBF", "ABREV");
        const auto nombres = columna(m_trabajo, "AULAT.DBF", "NOMBRE");
        for (std::size_t i = 0; i < codigos.size(); ++i) {
            aulas.emplace(codigos[i], nombres[i]);
        }
    }
    const auto empleados = clavesDe(original, "EMPLEADOS", 1);
    const auto jornadas = clavesDe(original, "JORNADAS_ESCOLARES", 2);
    const auto jornadasFin = clavesDe(original, "JORNADAS_ESCOLARES", 3);
    std::set<std::string> actividades;
    for (const Registro& r : registrosDe(original, "ACTIVIDADES")) {
        actividades.insert(ansiToUtf8(r.valor(1)));  // the activity code
    }

    XmlDocument resultado;
    resultado.load(salida);
    const auto profesores = columna(m_trabajo, "PROFT.DBF", "ABREV");
    const auto grupos = prueba::gruposDe(resultado.selectSingleNode(
        "/SERVICIO/BLOQUE_DATOS/grupo_datos[@seq='HORARIOS_REGULARES']"));
    ASSERT_EQ(grupos.size(), profesores.size());

    int comprobadas = 0;
    for (std::size_t p = 0; p < profesores.size(); ++p) {
        SCOPED_TRACE(ansiToUtf8(profesores[p]));
        const auto datosProfesor = prueba::datosDe(grupos[p]);
        ASSERT_EQ(datosProfesor.size(), 2u);
        EXPECT_EQ(empleados.count(datosProfesor[0].second), 1u) << datosProfesor[0].second;
        EXPECT_EQ(empleados.at(datosProfesor[0].second), datosProfesor[1].second);

        std::vector<std::size_t> suyas;
        for (std::size_t i = 0; i < lecciones.size(); ++i) {
            if (lecciones[i].prof == profesores[p] && lecciones[i].dia != 0) {
                suyas.push_back(i);
            }
        }
        const auto acts = prueba::gruposDe(grupos[p]);
        ASSERT_EQ(acts.size(), suyas.size());
        EXPECT_EQ(grupos[p].attribute("registros"), std::to_string(suyas.size()));
        for (std::size_t k = 0; k < acts.size(); ++k) {
            const Leccion& l = lecciones[suyas[k]];
            const Asignacion& a = m_esperado[suyas[k]];
            SCOPED_TRACE(ansiToUtf8(l.asig + "/" + l.codgrupo));
            std::map<std::string, std::string> d;
            for (const auto& [nombre, valor] : prueba::datosDe(acts[k])) {
                d[nombre] = valor;
            }
            ASSERT_EQ(d.size(), 11u);
            EXPECT_EQ(acts[k].attribute("seq"), "ACTIVIDAD_" + std::to_string(k + 1));
            EXPECT_EQ(d["N_DIASEMANA"], std::to_string(l.dia));
            ASSERT_EQ(tramos.count(d["X_TRAMO"]), 1u) << d["X_TRAMO"];
            EXPECT_EQ(d["N_HORINI"], tramos.at(d["X_TRAMO"]));
            EXPECT_EQ(d["N_HORFIN"], tramosFin.at(d["X_TRAMO"]));
            EXPECT_EQ(d["F_INICIO"], jornadas.at("1"));
            EXPECT_EQ(d["F_FIN"], jornadasFin.at("1"));
            // The room as placed; a room the document names by key carries that key.
            EXPECT_EQ(d["X_DEPENDENCIA"], ansiToUtf8(l.aula));
            if (!l.aula.empty()) {
                ASSERT_EQ(aulas.count(l.aula), 1u) << d["X_DEPENDENCIA"];
                const std::string clave = claveDeSala.at(ansiToUtf8(aulas.at(l.aula)));
                // A key the export had to shorten or make unique cannot come back: AULAT
                // keeps only the short code.
                if (!clave.empty() && clave.size() <= 4 && vecesClave[clave] == 1) {
                    EXPECT_EQ(d["X_DEPENDENCIA"], clave);
                }
            }
            if (l.codgrupo.empty()) {
                // A duty: no unit, course or subject; its task from the activity table.
                EXPECT_EQ(d["X_UNIDAD"], "");
                EXPECT_EQ(d["X_MATERIAOMG"], "");
                EXPECT_EQ(actividades.count(d["X_ACTIVIDAD"]), 1u) << d["X_ACTIVIDAD"];
                EXPECT_EQ(d["X_ACTIVIDAD"], a.ctarea);
            } else {
                ASSERT_EQ(unidades.count(d["X_UNIDAD"]), 1u) << d["X_UNIDAD"];
                EXPECT_EQ(unidades.at(d["X_UNIDAD"]), d["X_OFERTAMATRIG"]);
                EXPECT_EQ(materiaEnCurso.count({d["X_MATERIAOMG"], d["X_OFERTAMATRIG"]}), 1u)
                    << d["X_MATERIAOMG"] << " en " << d["X_OFERTAMATRIG"];
                EXPECT_EQ(d["X_MATERIAOMG"], ansiToUtf8(a.clave));
                EXPECT_EQ(d["X_ACTIVIDAD"], l.tarea.empty() ? "513" : l.tarea);
            }
            ++comprobadas;
        }
    }
    EXPECT_GE(comprobadas, 30);
}

INSTANTIATE_TEST_SUITE_P(Vias, IdaYVuelta, ::testing::Values(Via::Cli, Via::EnProceso),
                         [](const auto& info) {
                             return info.param == Via::Cli ? std::string("Cli")
                                                           : std::string("EnProceso");
                         });

}  // namespace
}  // namespace qv
