// Draws the teacher data dialog over a small PROFT and saves it as a PNG (for looking at the
// layout under a real X server): captura-controlprofes OUT.png
#include <QApplication>
#include <QTimer>

#include "Fixtures.h"
#include "formats/WorkTables.h"
#include "import/ui/ControlProfes.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        return 2;
    }
    qv::prueba::CarpetaTemporal carpeta;
    qv::prueba::crearTabla(carpeta.ruta(), qv::tablas::PROFT,
                           {{{"ABREV", "GLJ"},
                             {"NOMBRE",
                              "Garc\xED"
                              "a L\xF3pez, Juana"},
                             {"X_EMPLEADO", "100231"},
                             {"F_TOMAPOS", "01/09/2009"}},
                            {{"ABREV", "GLJ1"}, {"NOMBRE", "Gonz\xE1lez Lara, Jes\xFAs"}},
                            {{"ABREV", "JGL"},
                             {"NOMBRE",
                              "Jim\xE9nez Gil, Luc\xED"
                              "a"},
                             {"X_EMPLEADO", "100268"}},
                            {{"ABREV", "MART"},
                             {"NOMBRE", "Mart\xEDn Ruiz, Tom\xE1s"},
                             {"X_EMPLEADO", "100270"},
                             {"F_TOMAPOS", "01/09/2015"}}});
    qv::TControlProfesores dialogo(nullptr, carpeta.ruta());
    dialogo.show();
    dialogo.activateWindow();
    QTimer::singleShot(500, [&] {
        dialogo.grab().save(QString::fromLocal8Bit(argv[1]));
        app.quit();
    });
    return app.exec();
}
