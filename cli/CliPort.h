#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include "services/UserPort.h"

namespace qv::cli {

// The runs' port without a window: the document and the hour template come from the command
// line, messages go to OUT.
class CliPort : public UserPort {
public:
    // DOCUMENT is made absolute; PLANTILLA (UTF-8) answers the hour template dialog when given.
    CliPort(const std::filesystem::path& document, std::optional<std::string> plantilla,
            std::filesystem::path carpetaTrabajo, std::ostream& out);

    std::optional<std::filesystem::path> chooseExchangeDocument() override;
    void showMessage(const std::string& text) override;
    void setWaitCursor(bool) override {}
    // --plantilla KEY trimmed, or the key the dialog would show first (item 0 of the first
    // school-day record, trimmed); says which it used.
    std::string chooseHourTemplate(const std::filesystem::path& documentPath) override;
    // Lists the teachers whose data is incomplete, "ABREV NOMBRE" a line.
    void completeTeacherData() override;
    void closeMainWindow() override { m_closed = true; }

    // The last message the run showed ("" when none).
    const std::string& lastMessage() const { return m_lastMessage; }
    bool closedMainWindow() const { return m_closed; }

private:
    std::filesystem::path m_document;
    std::optional<std::string> m_plantilla;
    std::filesystem::path m_carpetaTrabajo;
    std::ostream& m_out;
    std::string m_lastMessage;
    bool m_closed = false;
};

}  // namespace qv::cli
