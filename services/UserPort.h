#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace qv {

// Everything a run asks of the person. The desktop program answers with Qt; the CLI and the
// tests answer without a window.
class UserPort {
public:
    virtual ~UserPort() = default;

    // The file dialog "Archivo XML": the confirmed path, or nothing when cancelled.
    virtual std::optional<std::filesystem::path> chooseExchangeDocument() = 0;
    // One of the run's own messages (UTF-8): modal, no icon, title "Quorvane", "Aceptar".
    virtual void showMessage(const std::string& text) = 0;
    // The application-wide wait cursor.
    virtual void setWaitCursor(bool on) = 0;
    // The hour template dialog over the document at PATH; returns its PlantillaElegida (ANSI,
    // trimmed), whichever way it was closed.
    virtual std::string chooseHourTemplate(const std::filesystem::path& documentPath) = 0;
    // The teacher data dialog over PROFT in the work folder; modal, returns nothing.
    virtual void completeTeacherData() = 0;
    // Closes the main window (in the desktop program this ends it).
    virtual void closeMainWindow() = 0;
};

}  // namespace qv
