#include "app/QtUserPort.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

#include "export/ui/Plantihoras.h"
#include "import/ui/ControlProfes.h"

namespace qv {

QtUserPort::QtUserPort(QWidget& mainWindow, QFileDialog& openDialog,
                       std::filesystem::path carpetaTrabajo)
    : m_mainWindow(mainWindow),
      m_openDialog(openDialog),
      m_carpetaTrabajo(std::move(carpetaTrabajo)) {}

QtUserPort::~QtUserPort() {
    setWaitCursor(false);
}

std::optional<std::filesystem::path> QtUserPort::chooseExchangeDocument() {
    if (m_openDialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = m_openDialog.selectedFiles();
    if (files.isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(
        QDir::cleanPath(QFileInfo(files.first()).absoluteFilePath()).toStdString());
}

void QtUserPort::showMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quorvane"), QString::fromStdString(text),
                    QMessageBox::NoButton, &m_mainWindow);
    box.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
    box.exec();
}

void QtUserPort::setWaitCursor(bool on) {
    if (on == m_waitCursor) {
        return;
    }
    m_waitCursor = on;
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

std::string QtUserPort::chooseHourTemplate(const std::filesystem::path& documentPath) {
    return elegirPlantilla(&m_mainWindow, documentPath);
}

void QtUserPort::completeTeacherData() {
    controlarProfesores(&m_mainWindow, m_carpetaTrabajo);
}

void QtUserPort::closeMainWindow() {
    m_mainWindow.close();
}

}  // namespace qv
