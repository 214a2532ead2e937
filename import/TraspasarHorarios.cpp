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

// Scans TABLE from its first row; true at the first row where every field equals its value.
bool buscarDesdeElPrincipio(Table& table, std::initializer_list<std::string_view> campos,
                            std::initializer_list<std::string_view> valores) {
    for (table.first(); !table.eof(); table.next()) {
        bool iguales = true;
        auto valor = valores.begin();
        for (std::string_view campo : campos) {
            if (table.asString(campo) != *valor++) {
                iguales = false;
                break;
            }
        }
        if (iguales) {
            return true;
        }
    }
    return false;
}

class EscritorHorarios {
public:
    EscritorHorarios(XmlDocument& doc, Session& tablas, const Periodo& periodo)
        : m_doc(doc), m_t(tablas), m_periodo(periodo) {}

    void escribir(XmlNode bloqueDatos) {
        Table& proft = m_t.wwTableProfesor;
        XmlNode horarios = nuevoGrupo(m_doc, "HORARIOS_REGULARES");
        bloqueDatos.appendChild(horarios);
        proft.first();
        ponerRegistros(horarios, proft.recordCount());
        int n = 1;
        for (; !proft.eof(); proft.next()) {
            escribirProfesor(horarios, n++);
        }
    }

private:
    void escribirProfesor(XmlNode horarios, int n) {
        Table& proft = m_t.wwTableProfesor;
        Table& soluc = m_t.wwTableSoluc;
        const std::string xEmpleado = proft.asString("X_EMPLEADO");
        const std::string fTomapos = proft.asString("F_TOMAPOS");
        XmlNode profesor = nuevoGrupo(m_doc, "HORARIO_REGULAR_PROFESOR_" + std::to_string(n));

        soluc.setFiltered(false);
        soluc.setFilter(filtroProfesor(proft.asString("ABREV")));
        soluc.setFiltered(true);

        long long actividades = 0;
        for (soluc.first(); !soluc.eof(); soluc.next()) {
            if (soluc.asInteger("DIA") != 0) {
                ++actividades;
            }
        }
        ponerRegistros(profesor, actividades);
        horarios.appendChild(profesor);
        agregarDato(m_doc, profesor, "X_EMPLEADO", xEmpleado);
        agregarDato(m_doc, profesor, "F_TOMAPOS", fTomapos);

        int m = 1;
        for (soluc.first(); !soluc.eof(); soluc.next()) {
            if (soluc.asInteger("DIA") == 0) {
                continue;
            }
            escribirActividad(profesor, m++);
        }
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
        if (buscarDesdeElPrincipio(asigt, {"CASIG", "CGRUP"}, {asig, soluc.asString("CODGRUPO")})) {
            materia = asigt.asString("CLAVE");
            curso = asigt.asString("CLAVECURSO");
        }

        if (isBlank(tarea)) {
            Table& nomAsg = m_t.wwTableNomAsg;
            if (buscarDesdeElPrincipio(nomAsg, {"COD"}, {asig})) {
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
        if (buscarDesdeElPrincipio(grupos, {"ABREV"}, {soluc.asString("CODGRUPO")})) {
            unidad = grupos.asString("CLAVE");
            if (isBlank(curso)) {
                curso = grupos.asString("CLAVECURSO");
            }
        }

        if (isBlank(materia)) {
            Table& nomAsg2 = m_t.wwTableNomAsg_2;
            if (nomAsg2.locate("COD;OFERTAMATRI", {asig, curso})) {
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
        if (buscarDesdeElPrincipio(tramos, {"DIHO"}, {diho})) {
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
};

}  // namespace

std::string filtroProfesor(const std::string& abrev) {
    std::string valor;
    for (char c : abrev) {
        valor += c;
        if (c == '\'') {
            valor += '\'';
        }
    }
    return "PROF= '" + valor + "'";
}

void TraspasarHorarios(XmlDocument& doc, XmlNode bloqueDatos, Session& tablas,
                       const Periodo& periodo) {
    EscritorHorarios(doc, tablas, periodo).escribir(bloqueDatos);
}

}  // namespace qv
