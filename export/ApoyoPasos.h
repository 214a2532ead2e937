#pragma once

#include <string>
#include <vector>

#include "formats/ExchangeDocument.h"
#include "services/Error.h"
#include "services/Session.h"
#include "services/Table.h"

// What every export step does around its own rules: reading the loaded document's record groups
// and keeping its tables open no longer than the step.
namespace qv {

// Opens a table object for the length of a scope and closes it on every path. cerrar() closes
// on the normal path so that a failure there surfaces.
class TablaAbierta {
public:
    TablaAbierta(Table& tabla, OpenMode modo) : m_tabla(tabla) { m_tabla.open(modo); }
    ~TablaAbierta() {
        try {
            if (m_tabla.active()) {
                m_tabla.close();
            }
        } catch (...) {
            // Already leaving on an error; that one is the one to report.
        }
    }
    TablaAbierta(const TablaAbierta&) = delete;
    TablaAbierta& operator=(const TablaAbierta&) = delete;

    void cerrar() { m_tabla.close(); }

private:
    Table& m_tabla;
};

// The records of group SEQ of the session's loaded document, every one (callers skip the ones
// that are not leible()).
inline std::vector<Registro> registrosDelDocumento(const Session& session, std::string_view seq) {
    if (!session.DocumentoXML) {
        throw Error("No hay ningún documento XML cargado");
    }
    return registrosDe(*session.DocumentoXML, seq);
}

// Deletes the table's files and writes it empty from its schema, in the session's work folder.
inline void recrearTabla(const Session& session, const TableSchema& esquema) {
    Table::removeFiles(session.carpetaTrabajo, esquema.name);
    Table::create(session.carpetaTrabajo, esquema);
}

}  // namespace qv
