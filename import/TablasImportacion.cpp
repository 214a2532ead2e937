#include "import/TablasImportacion.h"

#include <array>

#include "services/UserPort.h"

namespace qv {

namespace {

struct Apertura {
    Table Session::*tabla;
    OpenMode modo;
};

constexpr std::array<Apertura, 9> kOrden{{
    {&Session::wwTableSoluc, OpenMode::Exclusive},
    {&Session::wwTableGrupos, OpenMode::Exclusive},
    {&Session::wwTableCursos, OpenMode::Exclusive},
    {&Session::wwTableProfesor, OpenMode::Shared},
    {&Session::wwTableAulas, OpenMode::Exclusive},
    {&Session::wwTableNomAsg, OpenMode::Exclusive},
    {&Session::wwTableNomAsg_2, OpenMode::Exclusive},
    {&Session::wwTableTramos, OpenMode::Exclusive},
    {&Session::wwTableAsig, OpenMode::Exclusive},
}};

}  // namespace

TablasImportacion::TablasImportacion(Session& session) : m_session(session) {
    m_abiertas = true;
    try {
        for (const Apertura& a : kOrden) {
            Table& tabla = m_session.*a.tabla;
            if (!tabla.active()) {
                tabla.open(a.modo);
            }
        }
    } catch (...) {
        cerrar();
        throw;
    }
}

TablasImportacion::~TablasImportacion() {
    cerrar();
}

void TablasImportacion::cerrar() noexcept {
    if (!m_abiertas) {
        return;
    }
    m_abiertas = false;
    for (const Apertura& a : kOrden) {
        try {
            (m_session.*a.tabla).close();
        } catch (...) {
            // Closing drops nothing that matters here; the next table must still be closed.
        }
    }
}

CursorDeEspera::CursorDeEspera(UserPort& port) : m_port(port) {
    mostrar();
}

CursorDeEspera::~CursorDeEspera() {
    restaurar();
}

void CursorDeEspera::mostrar() {
    m_port.setWaitCursor(true);
    m_activo = true;
}

void CursorDeEspera::restaurar() {
    if (m_activo) {
        m_activo = false;
        m_port.setWaitCursor(false);
    }
}

}  // namespace qv
