// Opens the help as the program does ("F1 Ayuda", then F1 in the main window and in the
// teacher data dialog) and saves each help window as seen on the screen, as PNG files.
// Usage (needs a display, e.g. xvfb-run): help_screenshots OUTPUT_FOLDER

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <cstdio>

#include "help/AppHelp.h"

namespace {

QWidget* helpWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == "QelHtmlHelpWindow" && w->isVisible()) {
            return w;
        }
    }
    return nullptr;
}

bool save(const QString& file) {
    QTest::qWait(400);
    QWidget* window = helpWindow();
    if (!window) {
        std::fprintf(stderr, "no help window for %s\n", qPrintable(file));
        return false;
    }
    QPixmap shot = window->screen()->grabWindow(window->winId());
    if (shot.isNull() || !shot.save(file)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(".");
    QWidget main;
    main.setWindowTitle("Exportar e importar datos entre Velkorin y Ondivia");
    main.resize(632, 266);
    main.move(0, 0);
    main.show();

    bool ok = true;
    qv::help::showContents(&main);
    ok = save(out.filePath("help-contents.png")) && ok;
    qv::help::showContext(&main, 3);
    ok = save(out.filePath("help-context3.png")) && ok;
    qv::help::showContext(&main, 1);
    ok = save(out.filePath("help-context1.png")) && ok;
    qv::help::closeAll();
    return ok ? 0 : 1;
}
