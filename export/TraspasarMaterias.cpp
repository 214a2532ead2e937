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

void agregarNombre(Table& asignomt, const std::string& cod, const Materia& m) {
    asignomt.append();
    asignomt.setString("COD", cod);
    asignomt.setString("CODLARGO", m.codigoLargo);
    asignomt.setString("NOMBRE", m.nombre);
    asignomt.setBoolean("ESTAREA", false);
    asignomt.post();
}

void agregarMateriaDeCurso(Table& asignomt2, const std::string& cod, const Materia& m) {
    asignomt2.append();
    asignomt2.setString("COD", cod);
    asignomt2.setString("CODLARGO", m.codigoLargo);
    asignomt2.setString("NOMBRE", m.nombre);
    asignomt2.setString("MATERIA", m.clave);
    asignomt2.setString("OFERTAMATRI", m.ofertaMatricula);
    asignomt2.setBoolean("ESTAREA", false);
    asignomt2.post();
}

// A repeated subject offered in another course gets one more ASIGNOMT2 row under the code of
// its ASIGNOMT row. Both searches compare with the values as stored, cut to their fields.
void trasladarRepetida(Table& asignomt, Table& asignomt2, const Materia& m) {
    if (asignomt2.locate("MATERIA;OFERTAMATRI", {m.clave, m.ofertaMatricula})) {
        return;
    }
    if (!asignomt.locate("CODLARGO;NOMBRE", {m.codigoLargo, m.nombre.substr(0, 40)})) {
        return;
    }
    agregarMateriaDeCurso(asignomt2, asignomt.asString("COD"), m);
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
            trasladarRepetida(asignomt, asignomt2, m);
            continue;
        }
        anotarMateria(session, m);
        // The list keeps the numbered key whole; only the written code is shortened.
        const std::string clave = numeracion.primeroLibre(m.codigoBase, asignado);
        const std::string cod = acortarCodigo(clave);
        session.CodigosAsignados.insert(clave);
        agregarNombre(asignomt, cod, m);
        agregarMateriaDeCurso(asignomt2, cod, m);
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
