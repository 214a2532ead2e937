#include <map>
#include <utility>

#include "export/ApoyoPasos.h"
#include "export/CodigosUnicos.h"
#include "export/ExportSteps.h"
#include "formats/WorkTables.h"
#include "services/Text.h"

namespace qv {

namespace {

// The values one subject record gives, as the subjects step makes them.
struct Materia {
    std::string ofertaMatricula;  // T0
    std::string clave;            // T1
    std::string nombre;           // N
    std::string codigoLargo;      // L
    std::string codigoBase;       // K
};

Materia leerMateria(const Registro& registro) {
    Materia m;
    m.ofertaMatricula = registro.valor(0);
    m.clave = registro.valor(1);
    m.nombre = registro.valor(2);
    const std::string codigo = registro.valor(3);
    m.codigoLargo = codigo.empty() ? m.nombre.substr(0, 4) : codigo;
    m.codigoBase = m.codigoLargo.substr(0, 4);
    return m;
}

void vaciarListas(Session& session) {
    session.CodigosAsignados.clear();
    session.CodigosLargos.clear();
    session.NombresMaterias.clear();
    session.CodigosNombres.clear();
}

// All three lists hold the record's values. The joined code-and-name entry has no separator,
// so ('AB', 'Cde') and ('ABC', 'de') share it.
bool esRepetida(const Session& session, const Materia& m) {
    return session.NombresMaterias.contains(upperAZ(m.nombre)) &&
           session.CodigosLargos.contains(m.codigoLargo) &&
           session.CodigosNombres.contains(m.codigoLargo + m.nombre);
}

void anotarMateria(Session& session, const Materia& m) {
    session.NombresMaterias.insert(upperAZ(m.nombre));
    session.CodigosLargos.insert(m.codigoLargo);
    session.CodigosNombres.insert(m.codigoLargo + m.nombre);
}

// The rows this step has written to one table, by the texts of two of their fields as the table
// reads them back, so that Table::locate on those fields is answered without a scan: the first row
// of a key wins, the values compare with the blanks that pad them set aside, and a value longer
// than its field never matches. Each row is noted right after its post, while it is current.
class FilasEscritas {
public:
    FilasEscritas(Table& tabla, std::string campo1, std::string campo2, std::string campoValor)
        : m_tabla(tabla),
          m_campos{std::move(campo1), std::move(campo2)},
          m_campoValor(std::move(campoValor)) {
        for (const FieldDef& f : m_tabla.fields()) {
            for (int i = 0; i < 2; ++i) {
                if (f.name == m_campos[i]) {
                    m_anchos[i] = f.width;
                }
            }
        }
    }

    void anotarFilaActual() {
        m_primera.emplace(std::pair(m_tabla.asString(m_campos[0]), m_tabla.asString(m_campos[1])),
                          m_tabla.asString(m_campoValor));
    }

    // The value field of the first row that a locate on both fields would find, or nothing.
    const std::string* localizar(const std::string& valor1, const std::string& valor2) const {
        if (valor1.size() > m_anchos[0] || valor2.size() > m_anchos[1]) {
            return nullptr;
        }
        const auto it = m_primera.find(std::pair(sinRelleno(valor1), sinRelleno(valor2)));
        return it == m_primera.end() ? nullptr : &it->second;
    }

private:
    static std::string sinRelleno(const std::string& texto) {
        std::size_t fin = texto.size();
        while (fin > 0 && (texto[fin - 1] == ' ' || texto[fin - 1] == '\0')) {
            --fin;
        }
        return texto.substr(0, fin);
    }

    Table& m_tabla;
    std::string m_campos[2];
    std::string m_campoValor;
    std::size_t m_anchos[2] = {0, 0};
    std::map<std::pair<std::string, std::string>, std::string> m_primera;
};

// The two tables of the subjects step with what has been written to them: ASIGNOMT by CODLARGO
// and NOMBRE (giving its COD), ASIGNOMT2 by MATERIA and OFERTAMATRI.
struct TablasDeMaterias {
    TablasDeMaterias(Table& nombres, Table& deCurso)
        : asignomt(nombres),
          asignomt2(deCurso),
          nombresEscritos(nombres, "CODLARGO", "NOMBRE", "COD"),
          materiasEscritas(deCurso, "MATERIA", "OFERTAMATRI", "COD") {}

    Table& asignomt;
    Table& asignomt2;
    FilasEscritas nombresEscritos;
    FilasEscritas materiasEscritas;
};

void agregarNombre(TablasDeMaterias& t, const std::string& cod, const Materia& m) {
    t.asignomt.append();
    t.asignomt.setString("COD", cod);
    t.asignomt.setString("CODLARGO", m.codigoLargo);
    t.asignomt.setString("NOMBRE", m.nombre);
    t.asignomt.setBoolean("ESTAREA", false);
    t.asignomt.post();
    t.nombresEscritos.anotarFilaActual();
}

void agregarMateriaDeCurso(TablasDeMaterias& t, const std::string& cod, const Materia& m) {
    t.asignomt2.append();
    t.asignomt2.setString("COD", cod);
    t.asignomt2.setString("CODLARGO", m.codigoLargo);
    t.asignomt2.setString("NOMBRE", m.nombre);
    t.asignomt2.setString("MATERIA", m.clave);
    t.asignomt2.setString("OFERTAMATRI", m.ofertaMatricula);
    t.asignomt2.setBoolean("ESTAREA", false);
    t.asignomt2.post();
    t.materiasEscritas.anotarFilaActual();
}

// A repeated subject offered in another course gets one more ASIGNOMT2 row under the code of
// its ASIGNOMT row. Both searches compare with the values as stored, cut to their fields; they
// are answered from the rows this step wrote, which are all the rows of both tables.
void trasladarRepetida(TablasDeMaterias& t, const Materia& m) {
    if (t.materiasEscritas.localizar(m.clave, m.ofertaMatricula)) {
        return;
    }
    const std::string* cod = t.nombresEscritos.localizar(m.codigoLargo, m.nombre.substr(0, 40));
    if (!cod) {
        return;
    }
    agregarMateriaDeCurso(t, *cod, m);
}

}  // namespace

void TraspasarMaterias(Session& session) {
    recrearTabla(session, tablas::ASIGNOMT);
    recrearTabla(session, tablas::ASIGNOMT2);

    const std::vector<Registro> registros = registrosDelDocumento(session, "MATERIAS");
    Table asignomt(session.carpetaTrabajo, tablas::ASIGNOMT.fileName());
    Table asignomt2(session.carpetaTrabajo, tablas::ASIGNOMT2.fileName());
    TablaAbierta abiertaAsignomt(asignomt, OpenMode::Shared);
    TablaAbierta abiertaAsignomt2(asignomt2, OpenMode::Shared);

    TablasDeMaterias tablas(asignomt, asignomt2);
    vaciarListas(session);
    NumeracionCodigos numeracion(3);
    const auto asignado = [&](const std::string& k) {
        return session.CodigosAsignados.contains(k);
    };

    for (const Registro& registro : registros) {
        if (!registro.leible()) {
            continue;
        }
        const Materia m = leerMateria(registro);
        if (esRepetida(session, m)) {
            trasladarRepetida(tablas, m);
            continue;
        }
        anotarMateria(session, m);
        // The list keeps the numbered key whole; only the written code is shortened.
        const std::string clave = numeracion.primeroLibre(m.codigoBase, asignado);
        const std::string cod = acortarCodigo(clave);
        session.CodigosAsignados.insert(clave);
        agregarNombre(tablas, cod, m);
        agregarMateriaDeCurso(tablas, cod, m);
    }

    abiertaAsignomt2.cerrar();
    abiertaAsignomt.cerrar();
}

void TraspasarActividades(Session& session) {
    const std::vector<Registro> registros = registrosDelDocumento(session, "ACTIVIDADES");
    Table asignomt(session.carpetaTrabajo, tablas::ASIGNOMT.fileName());
    TablaAbierta abierta(asignomt, OpenMode::Shared);

    // Activity codes are taken as they come: they are neither numbered nor compared with the
    // subjects' codes.
    for (const Registro& registro : registros) {
        if (!registro.leible()) {
            continue;
        }
        const std::string nombre = registro.valor(2);
        const std::string codigo = registro.valor(1);
        asignomt.append();
        asignomt.setString("COD", codigo);
        asignomt.setString("CODLARGO", nombre.substr(0, 8));
        asignomt.setString("NOMBRE", nombre);
        asignomt.setString("CODTAREA", codigo);
        asignomt.setBoolean("ESTAREA", true);
        asignomt.post();
    }

    abierta.cerrar();
    vaciarListas(session);
}

}  // namespace qv
