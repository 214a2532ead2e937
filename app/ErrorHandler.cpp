#include "app/ErrorHandler.h"

#include <QMessageBox>
#include <QString>
#include <stdexcept>

#include "services/ErrorText.h"

namespace qv {

void showError(QWidget* parent, const std::exception& error) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Quorvane"),
                    QString::fromStdString(withFullStop(error.what())), QMessageBox::NoButton,
                    parent);
    box.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
    box.exec();
}

bool runReportingErrors(QWidget* parent, const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        showError(parent, e);
    } catch (...) {
        showError(parent, std::runtime_error("Error desconocido"));
    }
    return false;
}

}  // namespace qv
