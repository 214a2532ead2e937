#include "import/ImportRun.h"

#include <optional>

#include "formats/ExchangeDocument.h"
#include "import/FechaCabecera.h"
#include "import/ProfesoresCompletos.h"
#include "import/TablasImportacion.h"
#include "import/TraspasarHorarios.h"
#include "services/Error.h"
#include "services/Paths.h"
#include "services/XmlPartWriter.h"

namespace qv {

namespace {

const char* const kNoExisteArchivo = "No existe archivo";
const char* const kPeriodosNoEncontrado =
    "ATENCIÓN - PERIODOS.DBF No encontrado - Importe de nuevo XML de ONDIVIA.";
// Line feed then carriage return between the lines, as the host's message boxes expect.
const char* const kProfesoresIncompletos =
    "¡Atención! Sigue habiendo algún Profesor sin todos los DATOS.\n\r"
    "Este proceso se dentendrá y deberá volver a ejecutar\n\r"
    "la Importación, para poder corregir la incidencia";
const char* const kProcesoFinalizado = "Proceso finalizado";

std::string nombreUtf8(const std::filesystem::path& path) {
    const auto texto = path.filename().u8string();
    return std::string(texto.begin(), texto.end());
}

// The library's message says what is wrong and where; the person also needs to know in which file.
void cargarDocumento(XmlDocument& doc, const std::filesystem::path& archivo) {
    try {
        doc.load(archivo);
    } catch (const XmlError& e) {
        throw XmlError("El archivo " + nombreUtf8(archivo) +
                           " no es un documento XML bien formado: " + e.what(),
                       e.line());
    }
}

// The run reads the academic year from the data block's first child and then replaces the
// root: a file that lacks either is refused before anything is changed.
void comprobarDocumento(const XmlDocument& doc, const std::filesystem::path& archivo) {
    const XmlNode bloque = bloqueDatos(doc);
    if (!bloque) {
        throw Error("El archivo " + nombreUtf8(archivo) +
                    " no es un documento de intercambio: no tiene /SERVICIO/BLOQUE_DATOS");
    }
    if (!bloque.firstChild()) {
        throw Error("El archivo " + nombreUtf8(archivo) +
                    " no es un documento de intercambio: su BLOQUE_DATOS está vacío");
    }
}

Periodo leerPeriodo(const std::filesystem::path& carpetaTrabajo) {
    Periodo periodo;
    Table periodos(carpetaTrabajo, "PERIODOS.DBF");
    periodos.open(OpenMode::Shared);
    periodos.first();
    if (!periodos.eof()) {
        periodo.fecIni = periodos.asString("FECINI");
        periodo.fecFin = periodos.asString("FECFIN");
    }
    periodos.close();
    return periodo;
}

// The teacher check: the dialog at most once; false when teachers are still incomplete.
bool completarProfesores(Session& session, UserPort& port, CursorDeEspera& cursor) {
    bool dialogoMostrado = false;
    while (!ProfesoresCompletos(session.carpetaTrabajo)) {
        if (dialogoMostrado) {
            return false;
        }
        dialogoMostrado = true;
        port.completeTeacherData();
        cursor.mostrar();
    }
    return true;
}

std::filesystem::path nombreDeSalida(const std::filesystem::path& archivoXml) {
    return archivoXml.parent_path() /
           (std::filesystem::path("ResultadoVelkor").native() + archivoXml.filename().native());
}

}  // namespace

void BImportarClick(Session& session, UserPort& port) {
    if (auto elegido = port.chooseExchangeDocument()) {
        session.ArchivoXML = *elegido;
    }
    if (!fileExists(session.ArchivoXML)) {
        port.showMessage(kNoExisteArchivo);
        if (session.ModoIntegrado == 2) {
            session.ResultadoTraspaso = -1;
            port.closeMainWindow();
        }
        return;
    }

    CursorDeEspera cursor(port);
    TablasImportacion tablas(session);

    session.DocumentoXML = std::make_unique<XmlDocument>();
    XmlDocument& doc = *session.DocumentoXML;
    cargarDocumento(doc, session.ArchivoXML);
    comprobarDocumento(doc, session.ArchivoXML);
    const std::string anno = annoAcademico(doc);

    if (!fileExists(findFile(session.carpetaTrabajo, "PERIODOS.DBF"))) {
        tablas.cerrar();
        cursor.restaurar();
        port.showMessage(kPeriodosNoEncontrado);
        return;
    }
    const Periodo periodo = leerPeriodo(session.carpetaTrabajo);

    XmlNode bloque = escribirCabecera(doc, fechaCabecera(), anno);

    if (!completarProfesores(session, port, cursor)) {
        tablas.cerrar();
        cursor.restaurar();
        port.showMessage(kProfesoresIncompletos);
        port.closeMainWindow();
        return;
    }

    // Each teacher's record is saved, and freed, as soon as it is complete: a region's
    // timetables never have to be in memory all at once.
    std::optional<XmlPartWriter> salida;
    AvisosHorarios avisos;
    avisos.grupoCreado = [&](XmlNode horarios) {
        salida.emplace(doc, horarios, nombreDeSalida(session.ArchivoXML));
    };
    avisos.profesorCompleto = [&](XmlNode profesor) { salida->write(profesor); };
    TraspasarHorarios(doc, bloque, session, periodo, avisos);
    tablas.cerrar();
    salida->finish();

    cursor.restaurar();
    session.ResultadoTraspaso = 1;
    port.showMessage(kProcesoFinalizado);
    if (session.ModoIntegrado == 2) {
        port.closeMainWindow();
    }
}

}  // namespace qv
