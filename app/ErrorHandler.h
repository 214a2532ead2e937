#pragma once

#include <exception>
#include <functional>

class QWidget;

namespace qv {

// The application's error handler: the error's text in a box with the error icon, titled
// "Quorvane", button "Aceptar", with a full stop added by withFullStop's rule.
void showError(QWidget* parent, const std::exception& error);

// Runs HANDLER, reporting any error it raises with showError; true when it raised none.
// Every event handler of the main window goes through here.
bool runReportingErrors(QWidget* parent, const std::function<void()>& handler);

}  // namespace qv
