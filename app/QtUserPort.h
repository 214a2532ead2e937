#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "services/UserPort.h"

class QFileDialog;
class QWidget;

namespace qv {

// The runs' port in the desktop program: Qt dialogs and message boxes owned by the main window.
class QtUserPort : public UserPort {
public:
    // OPENDIALOG is the main window's "Archivo XML" dialog; CARPETATRABAJO the work folder.
    QtUserPort(QWidget& mainWindow, QFileDialog& openDialog, std::filesystem::path carpetaTrabajo);
    ~QtUserPort() override;

    std::optional<std::filesystem::path> chooseExchangeDocument() override;
    void showMessage(const std::string& text) override;
    void setWaitCursor(bool on) override;
    std::string chooseHourTemplate(const std::filesystem::path& documentPath) override;
    void completeTeacherData() override;
    void closeMainWindow() override;

private:
    QWidget& m_mainWindow;
    QFileDialog& m_openDialog;
    std::filesystem::path m_carpetaTrabajo;
    bool m_waitCursor = false;
};

}  // namespace qv
