#include "import/TraspasarHorarios.h"

#include "formats/ExchangeDocument.h"
#include "import/HoraAMinutos.h"
#include "services/Text.h"

namespace qv {

namespace {

// The task code the export gives every subject assignment.
constexpr const char* kTareaPorDefecto = "513";

struct Tramo {
    std::string dia;
    std::string codigo;
    std::string desde;
    std::string hasta;
};

class EscritorHorarios {
public:
    EscritorHorarios(XmlDocument& doc, Session& tablas, const Periodo& periodo,
                     const AvisosHorarios& avisos)
        : m_doc(doc),
          m_t(tablas),
          m_periodo(periodo),
          m_avisos(avisos),
          m_solucPorProfesor(tablas.wwTableSoluc),
          m_asignaciones(tablas.wwTableAsig, {"CASIG", "CGRUP"}),
          m_tareas(tablas.wwTableNomAsg, {"COD"}),
          m_tramos(tablas.wwTableTramos, {"DIHO"}),
          m_grupos(tablas.wwTableGrupos, {"ABREV"}),
          m_materias(tablas.wwTableNomAsg_2, {"COD", "OFERTAMATRI"}) {}

    void escribir(XmlNode bloqueDatos) {
        Table& proft = m_t.wwTableProfesor;
        XmlNode horarios = nuevoGrupo(m_doc, "HORARIOS_REGULARES");
        bloqueDatos.appendChild(horarios);
        proft.first();
        ponerRegistros(horarios, proft.recordCount());
        if (m_avisos.grupoCreado) {
            m_avisos.grupoCreado(horarios);
        }
        int n = 1;
        for (; !proft.eof(); proft.next()) {
            const XmlNode profesor = escribirProfesor(horarios, n++);
            if (m_avisos.profesorCompleto) {
                m_avisos.profesorCompleto(profesor);
            }
        }
    }

private:
    XmlNode escribirProfesor(XmlNode horarios, int n) {
        Table& proft = m_t.wwTableProfesor;
        Table& soluc = m_t.wwTableSoluc;
        const std::string xEmpleado = proft.asString("X_EMPLEADO");
        const std::string fTomapos = proft.asString("F_TOMAPOS");
        XmlNode profesor = nuevoGrupo(m_doc, "HORARIO_REGULAR_PROFESOR_" + std::to_string(n));

        m_solucPorProfesor.seleccionar(proft.asString("ABREV"));

        long long actividades = 0;
        m_solucPorProfesor.recorrer([&] {
            if (soluc.asInteger("DIA") != 0) {
                ++actividades;
            }
        });
        ponerRegistros(profesor, actividades);
        horarios.appendChild(profesor);
        agregarDato(m_doc, profesor, "X_EMPLEADO", xEmpleado);
        agregarDato(m_doc, profesor, "F_TOMAPOS", fTomapos);

        int m = 1;
        m_solucPorProfesor.recorrer([&] {
            if (soluc.asInteger("DIA") != 0) {
                escribirActividad(profesor, m++);
            }
        });
        return profesor;
    }

    void escribirActividad(XmlNode profesor, int m) {
        Table& soluc = m_t.wwTableSoluc;
        XmlNode actividad = nuevoGrupo(m_doc, "ACTIVIDAD_" + std::to_string(m));
        profesor.appendChild(actividad);

        std::string materia;
        std::string curso;
        const std::string asig = soluc.asString("ASIG");
        std::string tarea = soluc.asString("TAREA");

        Table& asigt = m_t.wwTableAsig;
        if (m_asignaciones.buscar({asig, soluc.asString("CODGRUPO")})) {
            materia = asigt.asString("CLAVE");
            curso = asigt.asString("CLAVECURSO");
        }

        if (isBlank(tarea)) {
            Table& nomAsg = m_t.wwTableNomAsg;
            if (m_tareas.buscar({asig})) {
                tarea = nomAsg.asString("CODTAREA");
            }
        }

        const Tramo tramo =
            buscarTramo(soluc.asString("DIA") + std::to_string(soluc.asInteger("HORA")));
        agregarDato(m_doc, actividad, "N_DIASEMANA", tramo.dia);
        agregarDato(m_doc, actividad, "X_TRAMO", tramo.codigo);

        const std::string aula = soluc.asString("AULA");
        agregarDato(m_doc, actividad, "X_DEPENDENCIA", isBlank(aula) ? std::string() : aula);

        std::string unidad;
        Table& grupos = m_t.wwTableGrupos;
        if (m_grupos.buscar({soluc.asString("CODGRUPO")})) {
            unidad = grupos.asString("CLAVE");
            if (isBlank(curso)) {
                curso = grupos.asString("CLAVECURSO");
            }
        }

        if (isBlank(materia)) {
            Table& nomAsg2 = m_t.wwTableNomAsg_2;
            if (m_materias.localizar({asig, curso})) {
                materia = nomAsg2.asString("MATERIA");
            }
        }

        agregarDato(m_doc, actividad, "X_UNIDAD", unidad);
        agregarDato(m_doc, actividad, "X_OFERTAMATRIG", curso);
        agregarDato(m_doc, actividad, "X_MATERIAOMG", materia);
        agregarDato(m_doc, actividad, "F_INICIO", m_periodo.fecIni);
        agregarDato(m_doc, actividad, "F_FIN", m_periodo.fecFin);
        agregarDato(m_doc, actividad, "N_HORINI", HoraAMinutos(tramo.desde));
        agregarDato(m_doc, actividad, "N_HORFIN", HoraAMinutos(tramo.hasta));

        if (isBlank(tarea)) {
            tarea = kTareaPorDefecto;
        }
        agregarDato(m_doc, actividad, "X_ACTIVIDAD", tarea);
    }

    // Every value stays empty when no DIASHORAST row carries the slot key.
    Tramo buscarTramo(const std::string& diho) {
        Tramo tramo;
        Table& tramos = m_t.wwTableTramos;
        if (m_tramos.buscar({diho})) {
            tramo.dia = tramos.asString("DIA");
            tramo.codigo = tramos.asString("CODDIHO");
            tramo.desde = tramos.asString("HORADESDE");
            tramo.hasta = tramos.asString("HORAHASTA");
        }
        return tramo;
    }

    XmlDocument& m_doc;
    Session& m_t;
    const Periodo& m_periodo;
    const AvisosHorarios& m_avisos;
    // Each lookup takes the first matching row in natural order, from maps read once per run.
    FilasPorProfesor m_solucPorProfesor;
    PrimeraFilaPorClave m_asignaciones;
    PrimeraFilaPorClave m_tareas;
    PrimeraFilaPorClave m_tramos;
    PrimeraFilaPorClave m_grupos;
    PrimeraFilaPorClave m_materias;
};

}  // namespace

void TraspasarHorarios(XmlDocument& doc, XmlNode bloqueDatos, Session& tablas,
                       const Periodo& periodo, const AvisosHorarios& avisos) {
    EscritorHorarios(doc, tablas, periodo, avisos).escribir(bloqueDatos);
}

}  // namespace qv
