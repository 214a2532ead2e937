#include "help/AppHelp.h"

// Placeholder until the help viewer is written: help requests do nothing.
namespace qv::help {

void showContents(QWidget*) {}
void showContext(QWidget*, int) {}

}  // namespace qv::help
