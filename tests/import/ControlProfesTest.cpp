// The teacher data dialog driven offscreen: texts, columns, masks, read-only columns, posting
// into PROFT.DBF and what closing does to an edit.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <functional>

#include "Fixtures.h"
#include "formats/WorkTables.h"
#include "import/ui/ControlProfes.h"
#include "import/ui/NavegadorRegistros.h"
#include "import/ui/ProftModel.h"
#include "services/Table.h"

using namespace qv;

namespace {

// Answers every modal message box that shows up within about two seconds and keeps their texts.
class Contestador : public QObject {
public:
    explicit Contestador(QObject* parent = nullptr) : QObject(parent) {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (++m_intentos > 40) {
                m_timer.stop();
                return;
            }
            if (auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                textos << caja->text();
                if (QAbstractButton* b = caja->buttons().value(0)) {
                    b->click();
                } else {
                    caja->done(0);
                }
            }
        });
        m_timer.start(50);
    }
    QStringList textos;

private:
    QTimer m_timer;
    int m_intentos = 0;
};

std::string campo(const std::filesystem::path& carpeta, int fila, const char* nombre) {
    Table t(carpeta, "PROFT.DBF");
    t.open(OpenMode::Shared);
    t.setRecNo(fila);
    return t.asString(nombre);
}

}  // namespace

class ControlProfesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<prueba::CarpetaTemporal> m_carpeta;
    std::unique_ptr<TControlProfesores> m_dlg;

    const std::filesystem::path& carpeta() const { return m_carpeta->ruta(); }

    QModelIndex celda(int fila, int columna) const { return m_dlg->modelo()->index(fila, columna); }

    // Opens the editor of a cell and returns it.
    QLineEdit* editar(int fila, int columna) {
        QTableView* grid = m_dlg->rejilla();
        grid->setCurrentIndex(celda(fila, columna));
        grid->edit(celda(fila, columna));
        return qobject_cast<QLineEdit*>(grid->indexWidget(celda(fila, columna)));
    }

    void mostrar() {
        m_dlg->show();
        m_dlg->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
        QTRY_VERIFY(m_dlg->rejilla()->hasFocus());
    }

private slots:
    void init() {
        m_carpeta = std::make_unique<prueba::CarpetaTemporal>();
        prueba::crearTabla(carpeta(), tablas::PROFT,
                           {{{"ABREV", "ANA"}, {"NOMBRE", "\xC1lvarez, Ana"}},
                            {{"ABREV", "LUI"},
                             {"NOMBRE", "Luna, Luis"},
                             {"X_EMPLEADO", "77"},
                             {"F_TOMAPOS", "01/09/2001"}},
                            {{"ABREV", "PEP"}, {"NOMBRE", "P\xE9rez, Pepa"}}});
        m_dlg = std::make_unique<TControlProfesores>(nullptr, carpeta());
    }

    void cleanup() {
        m_dlg.reset();
        m_carpeta.reset();
    }

    void textosYColumnas() {
        QCOMPARE(m_dlg->windowTitle(), QStringLiteral("Control de Profesores"));
        QCOMPARE(m_dlg->objectName(), QStringLiteral("ControlProfesores"));
        QCOMPARE(m_dlg->size(), QSize(754, 499));
        QCOMPARE(m_dlg->minimumSize(), m_dlg->maximumSize());
        const std::pair<const char*, const char*> textos[] = {
            {"Label1", "CONTROL DE DATOS DE LOS PROFESORES"},
            {"Label3", "INCIDENCIAS EN EL TRASPASO"},
            {"Label2",
             "Se ha detectado que existe algún Profesor sin todos los datos necesarios. "
             "(Seguramente hayan sido creados directamente desde VelkoRin.)      Para poder "
             "realizar correctamente la integración del Horario en ONDIVIA, deberán asignarlos "
             "en esta rejilla. "},
            {"Label4",
             "Los Profesores deberán estar creados previamente en ONDIVIA, con los mismos Datos "
             "de X_EMPLEADO y F_TOMAPOS. "},
            {"Label5",
             "ONDIVIA, dispone de un proceso mediante el cual pueden obtener la información de "
             "estos 2 datos mencionados. "},
            {"Label6",
             "Después de haber introducido los datos que faltan, pulsando \"Salir\", se "
             "reiniciará el proceso."},
        };
        for (const auto& [nombre, texto] : textos) {
            auto* label = m_dlg->findChild<QLabel*>(QString::fromUtf8(nombre));
            QVERIFY2(label, nombre);
            QCOMPARE(label->text(), QString::fromUtf8(texto));
            QVERIFY(label->font().bold());
        }
        auto* salir = m_dlg->findChild<QPushButton*>(QStringLiteral("BitBtn1"));
        QVERIFY(salir);
        QCOMPARE(salir->text(), QStringLiteral("Salir"));

        QTableView* grid = m_dlg->rejilla();
        QCOMPARE(grid->objectName(), QStringLiteral("ProftDBGrid"));
        QCOMPARE(grid->size(), QSize(490, 433));
        QCOMPARE(grid->model()->rowCount(), 3);
        const char* titulos[] = {"ABREV", "NOMBRE", "X_EMPLEADO", "F_TOMAPOS"};
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(grid->model()->headerData(c, Qt::Horizontal).toString(),
                     QString::fromUtf8(titulos[c]));
        }
        const int caracter = grid->fontMetrics().averageCharWidth();
        QVERIFY(grid->columnWidth(0) >= 4 * caracter);
        QVERIFY(grid->columnWidth(1) >= 40 * caracter);
        QVERIFY(grid->columnWidth(2) >= 10 * caracter);
        QVERIFY(grid->columnWidth(1) > 2 * grid->columnWidth(2));
        QCOMPARE(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(celda(0, 1).data().toString(), QStringLiteral("Álvarez, Ana"));
        QCOMPARE(celda(1, 3).data().toString(), QStringLiteral("01/09/2001"));

        const char* hints[] = {"Move to first record",
                               "Move backward 10 records",
                               "Move to prior record",
                               "Move to next record",
                               "Move forward 10 records",
                               "Move to last record",
                               "Edit current record",
                               "Post changes of current record",
                               "Cancel changes made to current record",
                               "Refresh the contents of the dataset"};
        auto botones = m_dlg->navegador()->findChildren<QToolButton*>();
        QCOMPARE(botones.size(), 10);
        for (int i = 0; i < 10; ++i) {
            QToolButton* b = m_dlg->navegador()->boton(static_cast<NavegadorRegistros::Boton>(i));
            QCOMPARE(b->toolTip(), QString::fromUtf8(hints[i]));
            QCOMPARE(b->autoRepeatDelay(), 500);
            QCOMPARE(b->autoRepeatInterval(), 100);
        }
        // Before the grid has the focus the table browses: no Post, no Cancel.
        QVERIFY(!m_dlg->navegador()->boton(NavegadorRegistros::Post)->isEnabled());
        QVERIFY(!m_dlg->navegador()->boton(NavegadorRegistros::Cancel)->isEnabled());
    }

    void alEntrarEnLaRejillaSeEdita() {
        mostrar();
        QVERIFY(m_dlg->modelo()->editando());
        QVERIFY(m_dlg->navegador()->boton(NavegadorRegistros::Post)->isEnabled());
        QVERIFY(m_dlg->navegador()->boton(NavegadorRegistros::Cancel)->isEnabled());
        m_dlg->navegador()->boton(NavegadorRegistros::Cancel)->click();
        QVERIFY(!m_dlg->modelo()->editando());
        QVERIFY(!m_dlg->navegador()->boton(NavegadorRegistros::Post)->isEnabled());
    }

    void columnasDeSoloLectura() {
        mostrar();
        for (int c : {0, 1}) {
            QVERIFY(!(celda(0, c).flags() & Qt::ItemIsEditable));
            QVERIFY(editar(0, c) == nullptr);
            QVERIFY(!m_dlg->modelo()->setData(celda(0, c), QStringLiteral("XX"), Qt::EditRole));
        }
        QVERIFY(celda(0, 2).flags() & Qt::ItemIsEditable);
        QVERIFY(celda(0, 3).flags() & Qt::ItemIsEditable);
        QCOMPARE(celda(0, 0).data().toString(), QStringLiteral("ANA"));
    }

    void mascaras_data() {
        QTest::addColumn<int>("columna");
        QTest::addColumn<QString>("tecleado");
        QTest::addColumn<QString>("queda");
        QTest::newRow("digitos") << 2 << "0012345"
                                 << "0012345";
        QTest::newRow("letra rechazada") << 2 << "12a3"
                                         << "123";
        QTest::newRow("solo letras") << 2 << "abc"
                                     << "";
        QTest::newRow("más de diez") << 2 << "123456789012"
                                     << "1234567890";
        QTest::newRow("fecha con barras rellenas") << 3 << "12031999"
                                                   << "12/03/1999";
        QTest::newRow("barras tecleadas") << 3 << "12/03/1999"
                                          << "12/03/1999";
        QTest::newRow("letras en la fecha") << 3 << "1x2y"
                                            << "12";
    }

    void mascaras() {
        QFETCH(int, columna);
        QFETCH(QString, tecleado);
        QFETCH(QString, queda);
        mostrar();
        QLineEdit* editor = editar(2, columna);
        QVERIFY(editor);
        editor->clear();
        QTest::keyClicks(editor, tecleado);
        QCOMPARE(editor->text(), queda);
    }

    void grabarLlegaAlArchivo() {
        Table otra(carpeta(), "PROFT.DBF");
        otra.open(OpenMode::Shared);
        mostrar();
        QLineEdit* editor = editar(0, 2);
        QVERIFY(editor);
        QTest::keyClicks(editor, "4321");
        // Enter leaves the cell like Tab, to the next column.
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(m_dlg->rejilla()->currentIndex(), celda(0, 3));
        QVERIFY(m_dlg->modelo()->editando());
        QCOMPARE(campo(carpeta(), 1, "X_EMPLEADO"), std::string());

        m_dlg->navegador()->boton(NavegadorRegistros::Post)->click();
        QVERIFY(!m_dlg->modelo()->editando());
        otra.first();
        QCOMPARE(otra.asString("X_EMPLEADO"), std::string("4321"));
        QCOMPARE(otra.asString("ABREV"), std::string("ANA"));

        // Moving to another row posts the one being edited.
        editor = editar(2, 3);
        QVERIFY(editor);
        QTest::keyClicks(editor, "05062007");
        QTest::keyClick(editor, Qt::Key_Return);
        m_dlg->rejilla()->setCurrentIndex(celda(1, 3));
        QCOMPARE(campo(carpeta(), 3, "F_TOMAPOS"), std::string("05/06/2007"));
        QCOMPARE(campo(carpeta(), 3, "NOMBRE"), std::string("P\xE9rez, Pepa"));

        // An independent reader sees the same rows.
        if (!QFile::exists(QStringLiteral("/usr/bin/python3"))) {
            QSKIP("/usr/bin/python3 is absent");
        }
        const auto volcado = carpeta() / "volcado.txt";
        const std::string orden =
            "/usr/bin/python3 -c \"import dbfread,sys; [print(r['ABREV'], r['X_EMPLEADO'], "
            "r['F_TOMAPOS'], sep='|') for r in dbfread.DBF(sys.argv[1])]\" '" +
            (carpeta() / "PROFT.DBF").string() + "' > '" + volcado.string() + "'";
        QCOMPARE(prueba::ejecutar(orden), 0);
        QCOMPARE(prueba::leerArchivo(volcado),
                 std::string("ANA|4321|\nLUI|77|01/09/2001\nPEP||05/06/2007\n"));
    }

    void enterSinEditarVaALaSiguienteCelda() {
        mostrar();
        QTableView* grid = m_dlg->rejilla();
        grid->setCurrentIndex(celda(0, 0));
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(grid->currentIndex(), celda(0, 1));
        QTest::keyClick(grid, Qt::Key_Enter);
        QCOMPARE(grid->currentIndex(), celda(0, 2));
    }

    void fechaIncompletaRechazadaAlGrabar() {
        mostrar();
        QLineEdit* editor = editar(0, 3);
        QVERIFY(editor);
        QTest::keyClicks(editor, "1203");
        Contestador contestador;
        m_dlg->navegador()->boton(NavegadorRegistros::Post)->click();
        QTRY_COMPARE(contestador.textos.size(), 1);
        QCOMPARE(contestador.textos[0],
                 QStringLiteral("El valor '12/03' de F_TOMAPOS no cumple la máscara ##/##/####"));
        QVERIFY(m_dlg->modelo()->editando());
        QCOMPARE(campo(carpeta(), 1, "F_TOMAPOS"), std::string());

        // Corrected, it goes through.
        editor = editar(0, 3);
        QVERIFY(editor);
        editor->clear();
        QTest::keyClicks(editor, "12032004");
        m_dlg->navegador()->boton(NavegadorRegistros::Post)->click();
        QCOMPARE(campo(carpeta(), 1, "F_TOMAPOS"), std::string("12/03/2004"));
    }

    void cerrarConLaBarraPierdeLoNoGrabado() {
        mostrar();
        QLineEdit* editor = editar(0, 2);
        QVERIFY(editor);
        QTest::keyClicks(editor, "999");
        m_dlg->close();
        QVERIFY(!m_dlg->isVisible());
        m_dlg.reset();
        QCOMPARE(campo(carpeta(), 1, "X_EMPLEADO"), std::string());
    }

    void salirGrabaLaFila() {
        mostrar();
        QLineEdit* editor = editar(1, 2);
        QVERIFY(editor);
        editor->clear();
        QTest::keyClicks(editor, "8080");
        auto* salir = m_dlg->findChild<QPushButton*>(QStringLiteral("BitBtn1"));
        QTest::mouseClick(salir, Qt::LeftButton);
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_dlg->result(), int(QDialog::Accepted));
        m_dlg.reset();
        QCOMPARE(campo(carpeta(), 2, "X_EMPLEADO"), std::string("8080"));
    }

    void controlarProfesoresEsModal() {
        m_dlg.reset();
        bool visto = false;
        QTimer::singleShot(100, [&] {
            auto* dlg = qobject_cast<TControlProfesores*>(QApplication::activeModalWidget());
            visto = dlg != nullptr;
            if (dlg) {
                dlg->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
            }
        });
        QTimer guardia;
        guardia.setSingleShot(true);
        connect(&guardia, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                w->close();
            }
        });
        guardia.start(5000);
        controlarProfesores(nullptr, carpeta());
        QVERIFY(visto);
        // Destroyed on return: the table is free for an exclusive open.
        Table t(carpeta(), "PROFT.DBF");
        t.open(OpenMode::Exclusive);
        QVERIFY(t.active());
    }
};

QTEST_MAIN(ControlProfesTest)
#include "ControlProfesTest.moc"
