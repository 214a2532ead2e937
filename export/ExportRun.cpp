#include "export/ExportRun.h"

#include <memory>
#include <system_error>

#include "export/ExportSteps.h"
#include "formats/ExchangeDocument.h"
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
        runSteps(session, port);
    }

    session.ResultadoTraspaso = 1;
    port.showMessage("Proceso finalizado");
    if (session.ModoIntegrado == kEmbedded) {
        port.closeMainWindow();
    }
}

}  // namespace qv
