#include "export/ApoyoPasos.h"
#include "export/CodigosUnicos.h"
#include "export/ExportSteps.h"
#include "formats/WorkTables.h"

namespace qv {

void TraspasarAulas(Session& session) {
    Table::removeFiles(session.carpetaTrabajo, tablas::AULAT.name);
    AbreviaturasEmitidas emitidas;
    // Rooms number on a stem of two characters, not three.
    NumeracionCodigos numeracion(2);
    Table::create(session.carpetaTrabajo, tablas::AULAT);

    const std::vector<Registro> registros = registrosDelDocumento(session, "DEPENDENCIAS");
    Table aulat(session.carpetaTrabajo, tablas::AULAT.fileName());
    TablaAbierta abierta(aulat, OpenMode::Shared);
    const auto emitida = [&](const std::string& c) { return emitidas.contiene(c); };

    for (const Registro& registro : registros) {
        if (!registro.leible()) {
            continue;
        }
        const std::string nombre = registro.valor(1);
        std::string codigo = registro.valor(0);
        if (codigo.empty()) {
            codigo = nombre.substr(0, 4);
        }
        // Checked whole: the field cuts it to four characters only when written.
        codigo = numeracion.primeroLibre(codigo, emitida);
        emitidas.agregar(codigo);

        aulat.append();
        aulat.setString("ABREV", codigo);
        aulat.setString("NOMBRE", nombre);
        aulat.setString("DEPCENTRO", "");
        aulat.post();
    }

    abierta.cerrar();
}

}  // namespace qv
