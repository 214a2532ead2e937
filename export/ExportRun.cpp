#include "export/ExportRun.h"

#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "export/CarpetaProvisional.h"
#include "export/ExportSteps.h"
#include "formats/ExchangeDocument.h"
#include "formats/WorkTables.h"
#include "services/Error.h"
#include "services/Paths.h"

namespace qv {

namespace {

constexpr int kEmbedded = 2;

// The wait cursor for as long as the steps run, restored on every way out.
class WaitCursor {
public:
    explicit WaitCursor(UserPort& port) : m_port(port) { m_port.setWaitCursor(true); }
    ~WaitCursor() {
        try {
            m_port.setWaitCursor(false);
        } catch (...) {
            // A destructor must not throw; the run's own error is the one worth reporting.
        }
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    UserPort& m_port;
};

// The document at PATH, parsed and holding a data block; anything else is reported as an error
// before a single table is touched.
std::unique_ptr<XmlDocument> loadExchangeDocument(const std::filesystem::path& path) {
    auto document = std::make_unique<XmlDocument>();
    try {
        document->load(path);
    } catch (const XmlError& e) {
        throw XmlError(
            "El archivo '" + path.string() + "' no es un documento XML válido: " + e.what(),
            e.line());
    }
    if (!bloqueDatos(*document)) {
        throw Error("El archivo '" + path.string() +
                    "' no es un documento de intercambio: no contiene /SERVICIO/BLOQUE_DATOS");
    }
    return document;
}

void ensureWorkFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) {
        return;
    }
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder)) {
        throw Error("No se puede crear la carpeta de trabajo '" + folder.string() + "'");
    }
}

// Points the session's work folder, and the table objects bound to it, somewhere else for as
// long as it lives; they come back on every way out.
class SesionEnCarpeta {
public:
    SesionEnCarpeta(Session& session, const std::filesystem::path& carpeta)
        : m_session(session), m_original(session.carpetaTrabajo) {
        try {
            m_session.enlazarCarpetaTrabajo(carpeta);
        } catch (...) {
            volver();  // a table object left open refused half way
            throw;
        }
    }
    ~SesionEnCarpeta() { volver(); }
    SesionEnCarpeta(const SesionEnCarpeta&) = delete;
    SesionEnCarpeta& operator=(const SesionEnCarpeta&) = delete;

private:
    void volver() noexcept {
        try {
            m_session.enlazarCarpetaTrabajo(m_original);
        } catch (...) {
            // Only an object left open refuses; the steps close theirs on every path.
        }
    }

    Session& m_session;
    std::filesystem::path m_original;
};

// Besides the tables it writes, a completed run takes away what the steps delete first: both
// files of each of its ten tables, and the JORNADAS.DBF of the timetabling program.
std::vector<std::string> archivosRetirados() {
    std::vector<std::string> nombres{"JORNADAS.DBF"};
    for (const TableSchema* tabla : tablas::carpetaDeTrabajo()) {
        nombres.push_back(tabla->name + ".DBF");
        nombres.push_back(tabla->name + ".MDX");
    }
    return nombres;
}

void runSteps(Session& session, UserPort& port) {
    TraspasarMaterias(session);
    TraspasarActividades(session);
    TraspasarProfesores(session);
    TraspasarAulas(session);
    TraspasarCursosYGrupos(session);
    TraspasarAsignaciones(session);
    TraspasarJornadasYTramos(session, port);
}

}  // namespace

void BExportarClick(Session& session, UserPort& port) {
    if (const auto chosen = port.chooseExchangeDocument()) {
        session.ArchivoXML = *chosen;
    }

    if (!fileExists(session.ArchivoXML)) {
        port.showMessage("No existe archivo");
        if (session.ModoIntegrado == kEmbedded) {
            session.ResultadoTraspaso = -1;
            port.closeMainWindow();
        }
        return;
    }

    if (!fileExists(findFile(session.carpetaPrograma, "NIVELCAN.DBF"))) {
        port.showMessage("ATENCIÓN - NIVELCAN.DBF No encontrado - Reinstale QUORVANE");
        return;
    }

    session.DocumentoXML = loadExchangeDocument(session.ArchivoXML);

    {
        WaitCursor waitCursor(port);
        ensureWorkFolder(session.carpetaTrabajo);
        // The steps write into a folder of their own; the work folder changes only once all
        // seven are done, so a run that fails leaves it as it was.
        CarpetaProvisional provisional(session.carpetaTrabajo);
        {
            SesionEnCarpeta enProvisional(session, provisional.ruta());
            runSteps(session, port);
        }
        provisional.confirmar(archivosRetirados());
    }

    session.ResultadoTraspaso = 1;
    port.showMessage("Proceso finalizado");
    if (session.ModoIntegrado == kEmbedded) {
        port.closeMainWindow();
    }
}

}  // namespace qv
