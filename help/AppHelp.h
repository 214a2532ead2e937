#pragma once

class QWidget;

// The desktop program's one entry point into help.
namespace qv::help {

// "F1 Ayuda": the help file's table of contents.
void showContents(QWidget* owner);
// F1: the topic of a help context (3: main window, 1: teacher data dialog).
void showContext(QWidget* owner, int context);
// Closes every help window the program opened.
void closeAll();

}  // namespace qv::help
