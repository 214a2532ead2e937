#include "cli/CliPort.h"

#include <ostream>

#include "formats/ExchangeDocument.h"
#include "import/ProfesoresCompletos.h"
#include "services/Text.h"
#include "services/XmlDocument.h"

namespace qv::cli {

CliPort::CliPort(const std::filesystem::path& document, std::optional<std::string> plantilla,
                 std::filesystem::path carpetaTrabajo, std::ostream& out)
    : m_document(std::filesystem::absolute(document).lexically_normal()),
      m_plantilla(std::move(plantilla)),
      m_carpetaTrabajo(std::move(carpetaTrabajo)),
      m_out(out) {}

std::optional<std::filesystem::path> CliPort::chooseExchangeDocument() {
    return m_document;
}

void CliPort::showMessage(const std::string& text) {
    m_lastMessage = text;
    m_out << text << '\n' << std::flush;
}

std::string CliPort::chooseHourTemplate(const std::filesystem::path& documentPath) {
    std::string key;
    if (m_plantilla) {
        key = trimmed(utf8ToAnsi(*m_plantilla));
    } else {
        XmlDocument document;
        document.load(documentPath);
        const std::vector<Registro> jornadas = registrosDe(document, "JORNADAS_ESCOLARES");
        if (!jornadas.empty()) {
            key = jornadas.front().valor(0);
        }
    }
    m_out << "Plantilla horaria: '" << ansiToUtf8(key) << "'"
          << (m_plantilla ? "" : " (la primera jornada del documento)") << '\n'
          << std::flush;
    return key;
}

void CliPort::completeTeacherData() {
    m_out << "Profesores sin todos los datos en PROFT:\n";
    for (const ProfesorIncompleto& p : profesoresIncompletos(m_carpetaTrabajo)) {
        m_out << ansiToUtf8(p.abrev) << ' ' << ansiToUtf8(p.nombre) << '\n';
    }
    m_out << std::flush;
}

}  // namespace qv::cli
