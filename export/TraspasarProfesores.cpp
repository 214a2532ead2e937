#include "export/ApoyoPasos.h"
#include "export/CodigosUnicos.h"
#include "export/ExportSteps.h"
#include "formats/WorkTables.h"

namespace qv {

namespace {

// The name is built from the trimmed parts, the initials from the first character of each part
// as read, so a part that begins with a blank gives a blank initial.
struct NombreEIniciales {
    std::string nombre;
    std::string iniciales;
};

NombreEIniciales nombreEIniciales(const Registro& registro) {
    NombreEIniciales r;
    const auto inicial = [&](int item) {
        const std::string tal = registro.valorSinRecortar(item);
        if (!tal.empty()) {
            r.iniciales += tal.front();
        }
    };
    r.nombre = registro.valor(3);
    inicial(3);
    r.nombre += " " + registro.valor(4);
    inicial(4);
    r.nombre += ", " + registro.valor(5);
    inicial(5);
    return r;
}

}  // namespace

void TraspasarProfesores(Session& session) {
    Table::removeFiles(session.carpetaTrabajo, tablas::PROFT.name);
    AbreviaturasEmitidas emitidas;
    NumeracionCodigos numeracion(3);
    Table::create(session.carpetaTrabajo, tablas::PROFT);

    const std::vector<Registro> registros = registrosDelDocumento(session, "EMPLEADOS");
    Table proft(session.carpetaTrabajo, tablas::PROFT.fileName());
    TablaAbierta abierta(proft, OpenMode::Shared);
    const auto emitida = [&](const std::string& a) { return emitidas.contiene(a); };

    for (const Registro& registro : registros) {
        if (!registro.leible()) {
            continue;
        }
        const NombreEIniciales nombre = nombreEIniciales(registro);
        const std::string elegida = registro.valor(6);
        // Checked whole: the field cuts it to four characters only when written.
        std::string abreviatura =
            numeracion.primeroLibre(elegida.empty() ? nombre.iniciales : elegida, emitida);
        emitidas.agregar(abreviatura);

        proft.append();
        proft.setString("ABREV", abreviatura);
        proft.setString("NOMBRE", nombre.nombre);
        proft.setString("DEPART", registro.valor(2));
        proft.setString("X_EMPLEADO", registro.valor(0));
        proft.setString("F_TOMAPOS", registro.valor(1));
        proft.post();
    }

    abierta.cerrar();
}

}  // namespace qv
