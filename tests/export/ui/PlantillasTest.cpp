// The hour template dialog, driven through its controls.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstdlib>
#include <functional>

#include "export/ui/Plantihoras.h"
#include "export/ui/TPlantillas.h"
#include "services/Error.h"
#include "services/ErrorText.h"
#include "services/XmlDocument.h"

namespace {

using Registro = QStringList;

QByteArray documento(const QList<Registro>& jornadas, const QList<Registro>& tramos) {
    auto grupo = [](const char* seq, const QList<Registro>& registros) {
        QString xml = QStringLiteral("<grupo_datos seq=\"%1\">").arg(QLatin1String(seq));
        for (const Registro& r : registros) {
            xml += QStringLiteral("<grupo_datos seq=\"R\">");
            for (const QString& dato : r) {
                xml +=
                    QStringLiteral("<dato nombre_dato=\"X\">") + dato + QStringLiteral("</dato>");
            }
            xml += QStringLiteral("</grupo_datos>");
        }
        return xml + QStringLiteral("</grupo_datos>");
    };
    return (QStringLiteral("<SERVICIO><BLOQUE_DATOS>") + grupo("JORNADAS_ESCOLARES", jornadas) +
            grupo("TRAMOS_HORARIOS", tramos) + QStringLiteral("</BLOQUE_DATOS></SERVICIO>"))
        .toUtf8();
}

const QList<Registro> dosJornadas = {
    {"D1", "Mañana", "01/09/2026", "30/06/2027"},
    {"D2", "Tarde", "02/09/2026", "29/06/2027"},
};
const QList<Registro> tramosDeAmbas = {
    {"T1", "Primera", "480", "540", "D1"}, {"T2", "Tarde 1", "900", "960", "D2"},
    {"T3", "Segunda", "540", "600", "D1"}, {"T4", "Tarde 2", "960", "1020", "D2"},
    {"T5", "Tercera", "600", "660", "D1"},
};

// Within a few units per channel (gradients are interpolated at pixel centres).
bool cerca(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 &&
           std::abs(a.blue() - b.blue()) <= 3;
}

QStringList elementos(const QListWidget* lista) {
    QStringList textos;
    for (int i = 0; i < lista->count(); ++i) {
        textos << lista->item(i)->text();
    }
    return textos;
}

QStringList elementos(const QComboBox* combo) {
    QStringList textos;
    for (int i = 0; i < combo->count(); ++i) {
        textos << combo->itemText(i);
    }
    return textos;
}

// Answers modal message boxes as they appear, for at most LIMITE ms.
class Contestador : public QObject {
public:
    explicit Contestador(int limite = 5000) {
        m_reloj.start();
        m_temporizador.setInterval(20);
        QObject::connect(&m_temporizador, &QTimer::timeout, this, [this, limite] {
            if (auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                titulos << caja->windowTitle();
                textos << caja->text();
                iconos << caja->icon();
                botones << (caja->buttons().isEmpty() ? QString() : caja->buttons()[0]->text());
                if (caja->buttons().isEmpty()) {
                    caja->close();
                } else {
                    caja->buttons()[0]->click();
                }
            }
            if (m_reloj.elapsed() > limite) {
                m_temporizador.stop();
            }
        });
        m_temporizador.start();
    }
    QStringList titulos, textos, botones;
    QList<QMessageBox::Icon> iconos;

private:
    QTimer m_temporizador;
    QElapsedTimer m_reloj;
};

}  // namespace

class PlantillasTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_carpeta;

    QString escribir(const QByteArray& bytes, const QString& nombre = "documento.xml") {
        const QString ruta = m_carpeta.filePath(nombre);
        QFile archivo(ruta);
        if (!archivo.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            qFatal("cannot write %s", qPrintable(ruta));
        }
        archivo.write(bytes);
        return ruta;
    }

    static std::filesystem::path ruta(const QString& r) { return r.toStdString(); }

    template <typename T>
    static T* control(QWidget& dialogo, const char* nombre) {
        T* c = dialogo.findChild<T*>(QString::fromLatin1(nombre));
        if (c == nullptr) {
            qFatal("control %s missing", nombre);
        }
        return c;
    }

    static QStringList etiquetas(QWidget& d) {
        return {control<QLabel>(d, "LabelNombre")->text(),
                control<QLabel>(d, "LabelPlanFec1")->text(),
                control<QLabel>(d, "LabelPlanFec2")->text()};
    }

    static void abrir(qv::TPlantillas& d) {
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
    }

private slots:
    void initTestCase() { QVERIFY(m_carpeta.isValid()); }

    void opensWithTheFirstSchoolDay() {
        qv::TPlantillas d(nullptr, ruta(escribir(documento(dosJornadas, tramosDeAmbas))));
        abrir(d);
        auto* combo = control<QComboBox>(d, "ComboBoxPlantilla");
        QCOMPARE(elementos(combo), QStringList({"D1", "D2"}));
        QCOMPARE(combo->currentText(), QString("D1"));
        QCOMPARE(etiquetas(d), QStringList({"Mañana", "01/09/2026", "30/06/2027"}));
        QCOMPARE(elementos(control<QListWidget>(d, "ListBox1")),
                 QStringList({"Primera", "Segunda", "Tercera"}));
        QCOMPARE(d.windowTitle(), QString("Plantillas Horarias"));
        QVERIFY(combo->isEditable());
        QVERIFY(control<QPushButton>(d, "BitBtnContinuar")->isDefault());
    }

    void choosingD2AndContinuingHandsBackD2() {
        qv::TPlantillas d(nullptr, ruta(escribir(documento(dosJornadas, tramosDeAmbas))));
        abrir(d);
        auto* combo = control<QComboBox>(d, "ComboBoxPlantilla");
        // Chosen from the drop-down list; the list's own window does not reset the choice.
        combo->showPopup();
        QTRY_VERIFY(combo->view()->isVisible());
        QTest::keyClick(combo->view(), Qt::Key_Down);
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QTRY_VERIFY(!combo->view()->isVisible());
        QTest::qWait(50);
        QCOMPARE(combo->currentText(), QString("D2"));
        QCOMPARE(etiquetas(d), QStringList({"Tarde", "02/09/2026", "29/06/2027"}));
        QCOMPARE(elementos(control<QListWidget>(d, "ListBox1")),
                 QStringList({"Tarde 1", "Tarde 2"}));
        QTest::mouseClick(control<QPushButton>(d, "BitBtnContinuar"), Qt::LeftButton);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(d.PlantillaElegida), QString("D2"));
    }

    void closingRightAfterOpeningHandsBackD1() {
        qv::TPlantillas d(nullptr, ruta(escribir(documento(dosJornadas, tramosDeAmbas))));
        abrir(d);
        QVERIFY(d.close());
        QVERIFY(!d.isVisible());
        QCOMPARE(QString::fromStdString(d.PlantillaElegida), QString("D1"));
    }

    // The text is compared as typed, but handed back trimmed; Enter presses "Continuar".
    void typedTextIsComparedUntrimmedAndHandedBackTrimmed() {
        qv::TPlantillas d(nullptr, ruta(escribir(documento(dosJornadas, tramosDeAmbas))));
        abrir(d);
        auto* combo = control<QComboBox>(d, "ComboBoxPlantilla");
        combo->setFocus();
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), " D2 ");
        QCOMPARE(combo->currentText(), QString(" D2 "));
        QCOMPARE(etiquetas(d), QStringList({"-", "-", "-"}));
        QCOMPARE(control<QListWidget>(d, "ListBox1")->count(), 0);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(d.PlantillaElegida), QString("D2"));
        QCOMPARE(combo->count(), 2);  // the typed text is not added to the list
    }

    void aRepeatedKeyIsListedTwiceAndShowsItsLastRecord() {
        const QList<Registro> jornadas = {{"D1", "Primero", "01/09/2026", "31/12/2026"},
                                          {"D2", "Tarde", "02/09/2026", "29/06/2027"},
                                          {"D1", "Segundo", "01/01/2027", "30/06/2027"}};
        qv::TPlantillas d(nullptr, ruta(escribir(documento(jornadas, tramosDeAmbas))));
        abrir(d);
        QCOMPARE(elementos(control<QComboBox>(d, "ComboBoxPlantilla")),
                 QStringList({"D1", "D2", "D1"}));
        QCOMPARE(etiquetas(d), QStringList({"Segundo", "01/01/2027", "30/06/2027"}));
    }

    // With a single slot record the list keeps what it showed; item texts are used as read.
    void countsAndUntrimmedItems() {
        const QList<Registro> jornadas = {{" D1", "Uno"}, {"D2", "Dos", "x", "y"}};
        const QList<Registro> unTramo = {{"T1", " Primera ", "480", "540", " D1"}};
        qv::TPlantillas d(nullptr, ruta(escribir(documento(jornadas, unTramo))));
        abrir(d);
        auto* combo = control<QComboBox>(d, "ComboBoxPlantilla");
        QCOMPARE(combo->currentText(), QString(" D1"));
        // Items the record lacks show as empty text.
        QCOMPARE(etiquetas(d), QStringList({"Uno", "", ""}));
        QCOMPARE(control<QListWidget>(d, "ListBox1")->count(), 0);
        QVERIFY(d.close());
        QCOMPARE(QString::fromStdString(d.PlantillaElegida), QString("D1"));
    }

    // An error inside a handler is shown once; the dialog stays open and still closes.
    // Coming back from the error box is no new activation; a genuine one reads the file again.
    void aDocumentThatFailsToLoadIsReportedAndTheDialogStays() {
        qv::TPlantillas d(nullptr, ruta(escribir("<SERVICIO><BLOQUE_DATOS>", "roto.xml")));
        Contestador contestador;
        d.show();
        d.activateWindow();
        QTRY_COMPARE(contestador.textos.size(), 1);
        d.activateWindow();
        QTest::qWait(300);
        QCOMPARE(contestador.textos.size(), 1);
        QCOMPARE(contestador.titulos[0], QString("Quorvane"));
        QCOMPARE(contestador.iconos[0], QMessageBox::Critical);
        QCOMPARE(contestador.botones[0], QString("Aceptar"));
        // The XML service's own text, with the full stop the error handler adds.
        std::string error;
        try {
            qv::XmlDocument().load(ruta(m_carpeta.filePath("roto.xml")));
        } catch (const qv::XmlError& e) {
            error = e.what();
        }
        QVERIFY(!error.empty());
        QCOMPARE(contestador.textos[0], QString::fromStdString(qv::withFullStop(error)));
        QVERIFY(d.isVisible());
        QCOMPARE(etiquetas(d), QStringList({"-", "-", "-"}));

        QWidget otra;
        otra.show();
        otra.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&otra));
        d.activateWindow();
        QTRY_COMPARE(contestador.textos.size(), 2);
        QVERIFY(d.isVisible());

        QVERIFY(d.close());
        QVERIFY(d.PlantillaElegida.empty());
    }

    // Every activation reads the document again and starts from its first school day.
    void everyActivationReadsTheDocumentAgain() {
        const QString archivo = escribir(documento(dosJornadas, tramosDeAmbas));
        qv::TPlantillas d(nullptr, ruta(archivo));
        abrir(d);
        auto* combo = control<QComboBox>(d, "ComboBoxPlantilla");
        combo->setCurrentIndex(1);
        QCOMPARE(combo->currentText(), QString("D2"));

        const QList<Registro> otras = {{"N1", "Nueva", "a", "b"}, {"N2", "Otra", "c", "d"}};
        escribir(documento(otras, {{"S1", "Sola", "1", "2", "N1"}, {"S2", "X", "1", "2", "N2"}}));
        QWidget otra;
        otra.show();
        otra.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&otra));
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QCOMPARE(elementos(combo), QStringList({"N1", "N2"}));
        QCOMPARE(combo->currentText(), QString("N1"));
        QCOMPARE(etiquetas(d), QStringList({"Nueva", "a", "b"}));
        QCOMPARE(elementos(control<QListWidget>(d, "ListBox1")), QStringList({"Sola"}));
    }

    // Shown without getting the focus, the dialog still reads the document.
    void fillsItselfWithoutTheFocus() {
        qv::TPlantillas d(nullptr, ruta(escribir(documento(dosJornadas, tramosDeAmbas))));
        d.setAttribute(Qt::WA_ShowWithoutActivating);
        d.show();
        QTest::qWait(100);
        if (d.isActiveWindow()) {
            QSKIP("this platform activates every window it shows");
        }
        QTRY_COMPARE(control<QComboBox>(d, "ComboBoxPlantilla")->count(), 2);
        QCOMPARE(etiquetas(d), QStringList({"Mañana", "01/09/2026", "30/06/2027"}));
    }

    // The modal entry point the export step uses.
    void elegirPlantillaHandsBackTheChoice() {
        const QString archivo = escribir(documento(dosJornadas, tramosDeAmbas));
        bool elegido = false;
        QTimer::singleShot(0, [&] {
            QElapsedTimer reloj;
            reloj.start();
            while (!qobject_cast<qv::TPlantillas*>(QApplication::activeModalWidget()) &&
                   reloj.elapsed() < 5000) {
                QTest::qWait(20);
            }
            auto* d = qobject_cast<qv::TPlantillas*>(QApplication::activeModalWidget());
            if (d == nullptr) {
                return;
            }
            QTRY_COMPARE(control<QComboBox>(*d, "ComboBoxPlantilla")->count(), 2);
            control<QComboBox>(*d, "ComboBoxPlantilla")->setCurrentIndex(1);
            elegido = true;
            d->close();
        });
        const std::string elegida = qv::elegirPlantilla(nullptr, ruta(archivo));
        QVERIFY(elegido);
        QCOMPARE(QString::fromStdString(elegida), QString("D2"));
    }

    // The look: sizes, the gradient, the yellow combo box, the coloured labels. The picture is
    // left in the temporary folder for a person to look at.
    void looksAsDesigned() {
        qv::TPlantillas d(nullptr, ruta(escribir(documento(dosJornadas, tramosDeAmbas))));
        abrir(d);
        QCOMPARE(d.frameGeometry().size(), QSize(378, 269));
        auto* panel = control<QWidget>(d, "Draw3D4");
        QCOMPARE(panel->geometry(), QRect(0, 0, 369, 233));
        QCOMPARE(control<QWidget>(d, "ComboBoxPlantilla")->geometry(), QRect(8, 87, 81, 21));
        QCOMPARE(control<QWidget>(d, "ListBox1")->geometry(), QRect(152, 85, 193, 114));
        QCOMPARE(control<QWidget>(d, "BitBtnContinuar")->geometry(), QRect(255, 203, 89, 25));

        const QImage imagen = d.grab().toImage();
        imagen.save(QDir::temp().filePath("plantillas.png"));
        QVERIFY2(cerca(imagen.pixelColor(360, 0), QColor(166, 202, 240)),
                 qPrintable(imagen.pixelColor(360, 0).name()));
        QVERIFY2(cerca(imagen.pixelColor(360, 116), Qt::white),
                 qPrintable(imagen.pixelColor(360, 116).name()));
        QVERIFY2(cerca(imagen.pixelColor(360, 232), QColor(212, 208, 200)),
                 qPrintable(imagen.pixelColor(360, 232).name()));
        QCOMPARE(imagen.pixelColor(50, 97), QColor(Qt::yellow));

        auto color = [&](const char* nombre) {
            return control<QLabel>(d, nombre)->palette().color(QPalette::WindowText);
        };
        QCOMPARE(color("LabelNombre"), QColor(128, 0, 0));
        QCOMPARE(color("Label1"), QColor(128, 0, 0));
        QCOMPARE(color("Label2"), QColor(Qt::red));
        QCOMPARE(control<QLabel>(d, "Label1")->text(), QString("HORAS"));
        // The texts are painted in those colours.
        auto pintadoCon = [&](const char* nombre, const QColor& tinta) {
            const QRect zona = control<QLabel>(d, nombre)->geometry();
            for (int y = zona.top(); y <= zona.bottom(); ++y) {
                for (int x = zona.left(); x <= zona.right(); ++x) {
                    if (cerca(imagen.pixelColor(x, y), tinta)) {
                        return true;
                    }
                }
            }
            return false;
        };
        QVERIFY(pintadoCon("Label2", Qt::red));
        QVERIFY(pintadoCon("LabelNombre", QColor(128, 0, 0)));
        QVERIFY(pintadoCon("Label1", QColor(128, 0, 0)));
        QVERIFY(!pintadoCon("Label2", Qt::black));
    }
};

QTEST_MAIN(PlantillasTest)
#include "PlantillasTest.moc"
