#include <QApplication>
#include <QWidget>

// Placeholder until the main window is written.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.show();
    return app.exec();
}
