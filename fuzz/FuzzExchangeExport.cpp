// libFuzzer target: any bytes as an exchange document, loaded from memory and carried through
// the seven export steps into a fresh work folder beside a level table. qv::Error (and a
// standard exception from the library, such as a length error for a text too long) is an
// expected outcome; a crash, a hang, a sanitizer report or a file written outside the work folder
// is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "export/ExportSteps.h"
#include "formats/ExchangeDocument.h"
#include "formats/WorkTables.h"
#include "fuzz/FuzzSupport.h"
#include "services/Error.h"
#include "services/Session.h"
#include "services/Table.h"
#include "services/UserPort.h"

namespace {

// Answers the hour template dialog with the first school day's key, so the steps that spread
// the slots over the week run too.
class FuzzPort : public qv::UserPort {
public:
    std::optional<std::filesystem::path> chooseExchangeDocument() override { return {}; }
    void showMessage(const std::string&) override {}
    void setWaitCursor(bool) override {}
    std::string chooseHourTemplate(const std::filesystem::path&) override { return m_template; }
    void completeTeacherData() override {}
    void closeMainWindow() override {}
    std::string m_template;
};

// The program folder, with a small level table, made once.
const std::filesystem::path& programFolder() {
    static const qv::fuzz::TempFolder folder("qv-fuzz-programa");
    static const bool made = [] {
        qv::Table::create(folder.path(), qv::tablas::NIVELCAN);
        qv::Table nivel(folder.path(), qv::tablas::NIVELCAN.fileName());
        nivel.open(qv::OpenMode::Exclusive);
        const struct {
            int clave;
            const char* abrev;
            const char* estudio;
        } rows[] = {{3101, "1ESO", "ESO"}, {3201, "1BCT", "Bachillerato"}, {3401, "1SMR", "FP"}};
        for (const auto& row : rows) {
            nivel.append();
            nivel.setInteger(qv::tablas::NIVELCAN.fields[0].name, row.clave);
            nivel.setString(qv::tablas::NIVELCAN.fields[1].name, row.abrev);
            nivel.setString(qv::tablas::NIVELCAN.fields[2].name, row.estudio);
            nivel.post();
        }
        nivel.close();
        return true;
    }();
    (void)made;
    return folder.path();
}

void runExport(const std::string_view bytes, const std::filesystem::path& work) {
    qv::Session session(work, programFolder());
    session.ArchivoXML = work / "documento.xml";
    session.DocumentoXML = std::make_unique<qv::XmlDocument>();
    session.DocumentoXML->loadXml(bytes);
    if (!qv::bloqueDatos(*session.DocumentoXML)) {
        return;  // the run refuses such a document before touching a table
    }
    FuzzPort port;
    const auto jornadas = qv::registrosDe(*session.DocumentoXML, "JORNADAS_ESCOLARES");
    if (!jornadas.empty()) {
        port.m_template = jornadas.front().valor(0);
    }
    qv::TraspasarMaterias(session);
    qv::TraspasarActividades(session);
    qv::TraspasarProfesores(session);
    qv::TraspasarAulas(session);
    qv::TraspasarCursosYGrupos(session);
    qv::TraspasarAsignaciones(session);
    qv::TraspasarJornadasYTramos(session, port);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& program = programFolder();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    {
        qv::fuzz::TempFolder work("qv-fuzz-vtemp");
        try {
            runExport(bytes, work.path());
        } catch (const qv::Error&) {
            // Reported to the person with its text.
        } catch (const std::exception&) {
        }
    }
    // The level table is only read: any other file in the program folder is a finding.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(program)) {
        ++files;
    }
    if (files != 1) {
        std::abort();
    }
    return 0;
}
