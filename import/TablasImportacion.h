#pragma once

#include "services/Session.h"
#include "services/UserPort.h"

namespace qv {

// The nine tables of the main window that an import holds open, opened in the run's order
// (SOLUC, GRUPOST, CURSOST, PROFT shared, AULAT, ASIGNOMT, ASIGNOMT2, DIASHORAST, ASIGT, the
// rest exclusive; one already open stays open) and all closed again on every way out.
class TablasImportacion {
public:
    // Opens the tables; a failure closes the ones opened so far and propagates.
    explicit TablasImportacion(Session& session);
    ~TablasImportacion();
    TablasImportacion(const TablasImportacion&) = delete;
    TablasImportacion& operator=(const TablasImportacion&) = delete;

    // Closes all nine now; the destructor then has nothing left to do.
    void cerrar() noexcept;

private:
    Session& m_session;
    bool m_abiertas = false;
};

// The wait cursor while an object of this class lives (or until restaurar()).
class CursorDeEspera {
public:
    explicit CursorDeEspera(UserPort& port);
    ~CursorDeEspera();
    CursorDeEspera(const CursorDeEspera&) = delete;
    CursorDeEspera& operator=(const CursorDeEspera&) = delete;

    // Shows the wait cursor again (after a dialog).
    void mostrar();
    // Back to the normal cursor.
    void restaurar();

private:
    UserPort& m_port;
    bool m_activo = false;
};

}  // namespace qv
