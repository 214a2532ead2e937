#include <cmath>
#include <limits>
#include <map>
#include <optional>

#include "export/ApoyoPasos.h"
#include "export/CodigosUnicos.h"
#include "export/ExportSteps.h"
#include "formats/WorkTables.h"
#include "services/Text.h"

namespace qv {

namespace {

struct Nivel {
    std::string abreviatura;
    std::string estudio;
};

// The rows of the level table by course-offering key, the first row of each key winning as a
// search from the first row would. Read once, at the first lookup, so a document without
// courses never reads the table.
class TablaNiveles {
public:
    explicit TablaNiveles(Table& tabla) : m_tabla(tabla) {}

    std::optional<Nivel> buscar(int clave) {
        if (!m_leida) {
            leer();
        }
        const auto it = m_niveles.find(clave);
        if (it == m_niveles.end()) {
            return std::nullopt;
        }
        return it->second;
    }

private:
    void leer() {
        // A missing field is an error even when the table has no rows, as a search would be.
        for (const char* campo : {"X_OFERTAMATRIG", "NIVEL_ABREV", "ESTUDIO"}) {
            m_tabla.isNull(campo);
        }
        const bool claveEsTexto = claveDeTexto();
        for (m_tabla.first(); !m_tabla.eof(); m_tabla.next()) {
            if (m_tabla.isNull("X_OFERTAMATRIG")) {
                continue;
            }
            std::optional<double> clave;
            if (claveEsTexto) {
                clave = claveTextual(m_tabla.asString("X_OFERTAMATRIG"));
            } else {
                clave = m_tabla.asFloat("X_OFERTAMATRIG");
            }
            // Only a whole number within the range of the keys searched can ever be found.
            if (!clave ||
                !(*clave >= std::numeric_limits<int>::min() &&
                  *clave <= std::numeric_limits<int>::max()) ||
                *clave != std::trunc(*clave)) {
                continue;
            }
            m_niveles.emplace(static_cast<int>(*clave),
                              Nivel{m_tabla.asString("NIVEL_ABREV"), m_tabla.asString("ESTUDIO")});
        }
        m_leida = true;
    }

    // A level table of another origin may hold the key as text.
    bool claveDeTexto() const {
        for (const FieldDef& f : m_tabla.fields()) {
            if (f.name == "X_OFERTAMATRIG") {
                return f.kind == FieldKind::Text;
            }
        }
        return false;
    }

    static std::optional<double> claveTextual(const std::string& texto) {
        try {
            return toInteger(trimmed(texto));
        } catch (const ConversionError&) {
            return std::nullopt;
        }
    }

    Table& m_tabla;
    bool m_leida = false;
    std::map<int, Nivel> m_niveles;
};

struct Curso {
    std::string nivel;
    std::string curso;
    std::string estudio;
};

void trasladarCursos(const std::vector<Registro>& registros, Table& cursost,
                     TablaNiveles& niveles) {
    for (const Registro& registro : registros) {
        if (!registro.leible()) {
            continue;
        }
        const std::string clave = registro.valor(0);
        const std::optional<Nivel> nivel = niveles.buscar(toInteger(clave));
        const std::string abreviatura = nivel ? nivel->abreviatura : std::string();

        cursost.append();
        cursost.setString("NIVEL", abreviatura.empty() ? "Niv" : abreviatura);
        cursost.setString("CURSO", registro.valor(1).substr(0, 1));
        cursost.setString("CLAVE", clave);
        cursost.setString("ESTUD", nivel ? nivel->estudio : std::string());
        cursost.post();
    }
}

// CURSOST as written, by CLAVE; the first row of each key wins, as a search from the first row.
std::map<std::string, Curso> leerCursos(Table& cursost) {
    std::map<std::string, Curso> cursos;
    for (cursost.first(); !cursost.eof(); cursost.next()) {
        cursos.emplace(
            cursost.asString("CLAVE"),
            Curso{cursost.asString("NIVEL"), cursost.asString("CURSO"), cursost.asString("ESTUD")});
    }
    return cursos;
}

// The first four characters of the name that are not blanks, trimmed.
std::string primeraForma(const std::string& nombre) {
    std::string abreviatura;
    for (char c : nombre) {
        if (abreviatura.size() == 4) {
            break;
        }
        if (c != ' ') {
            abreviatura += c;
        }
    }
    return trimmed(abreviatura);
}

std::string descripcion(const std::string& nombre, const std::string& grupo, const Curso& curso) {
    if (!curso.estudio.empty()) {
        return "(" + nombre + ") " + curso.estudio;
    }
    return " " + curso.nivel + " " + curso.curso + " " + grupo;
}

void trasladarGrupos(const std::vector<Registro>& registros, Table& grupost,
                     const std::map<std::string, Curso>& cursos) {
    AbreviaturasEmitidas emitidas;
    NumeracionCodigos numeracion(3);
    const auto emitida = [&](const std::string& a) { return emitidas.contiene(a); };

    for (const Registro& registro : registros) {
        if (!registro.leible()) {
            continue;
        }
        const std::string clave = registro.valor(0);
        const std::string nombre = registro.valor(1);
        const std::string claveCurso = registro.valor(2);
        const auto it = cursos.find(claveCurso);
        const Curso curso = it != cursos.end() ? it->second : Curso{};
        const std::string grupo = nombre.empty() ? std::string() : nombre.substr(nombre.size() - 1);

        // Only a number of two or more digits makes it longer than four; the shortened value is
        // what the list keeps, and it is not checked again.
        const std::string abreviatura =
            acortarCodigo(numeracion.primeroLibre(primeraForma(nombre), emitida));
        emitidas.agregar(abreviatura);

        grupost.append();
        grupost.setString("ABREV", abreviatura);
        grupost.setString("TURNO", "");
        grupost.setString("NIVEL", curso.nivel);
        grupost.setString("CURSO", curso.curso);
        grupost.setString("GRUPO", grupo);
        grupost.setString("CLAVE", clave);
        grupost.setString("CLAVECURSO", claveCurso);
        grupost.setString("DESCRIP", descripcion(nombre, grupo, curso));
        grupost.post();
    }
}

}  // namespace

void TraspasarCursosYGrupos(Session& session) {
    Table::removeFiles(session.carpetaTrabajo, tablas::GRUPOST.name);
    Table::removeFiles(session.carpetaTrabajo, tablas::CURSOST.name);
    Table::create(session.carpetaTrabajo, tablas::CURSOST);
    Table::create(session.carpetaTrabajo, tablas::GRUPOST);

    const std::vector<Registro> cursosDelCentro =
        registrosDelDocumento(session, "CURSOS_DEL_CENTRO");
    Table cursost(session.carpetaTrabajo, tablas::CURSOST.fileName());
    TablaAbierta abiertaCursost(cursost, OpenMode::Shared);

    session.wwTableNIVELEX.setLocation(session.carpetaPrograma, "NIVELCAN.dbf");
    {
        TablaAbierta abiertaNiveles(session.wwTableNIVELEX, OpenMode::Shared);
        TablaNiveles niveles(session.wwTableNIVELEX);
        trasladarCursos(cursosDelCentro, cursost, niveles);
        abiertaNiveles.cerrar();
    }

    const std::vector<Registro> unidades = registrosDelDocumento(session, "UNIDADES");
    Table grupost(session.carpetaTrabajo, tablas::GRUPOST.fileName());
    TablaAbierta abiertaGrupost(grupost, OpenMode::Shared);
    trasladarGrupos(unidades, grupost, leerCursos(cursost));

    abiertaGrupost.cerrar();
    abiertaCursost.cerrar();
}

}  // namespace qv
