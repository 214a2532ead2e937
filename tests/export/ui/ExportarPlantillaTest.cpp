// A whole export through the desktop program's main window, the hour template dialog answered
// the way a person would.
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/HostDocking.h"
#include "app/MainForm.h"
#include "export/ui/TPlantillas.h"
#include "services/Session.h"
#include "services/Table.h"
#include "services/Text.h"

namespace fs = std::filesystem;

namespace {

const char* const kDocumento = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<SERVICIO><BLOQUE_DATOS>
<grupo_datos seq="JORNADAS_ESCOLARES">
  <grupo_datos seq="J1"><dato>D1</dato><dato>Mañana</dato><dato>01/09/2026</dato><dato>30/06/2027</dato></grupo_datos>
  <grupo_datos seq="J2"><dato>D2</dato><dato>Tarde</dato><dato>02/09/2026</dato><dato>29/06/2027</dato></grupo_datos>
</grupo_datos>
<grupo_datos seq="TRAMOS_HORARIOS">
  <grupo_datos seq="T1"><dato>M1</dato><dato>Primera</dato><dato>480</dato><dato>540</dato><dato>D1</dato></grupo_datos>
  <grupo_datos seq="T2"><dato>M2</dato><dato>Segunda</dato><dato>540</dato><dato>600</dato><dato>D1</dato></grupo_datos>
  <grupo_datos seq="T3"><dato>V2</dato><dato>Tarde 2</dato><dato>960</dato><dato>1020</dato><dato>D2</dato></grupo_datos>
  <grupo_datos seq="T4"><dato>V1</dato><dato>Tarde 1</dato><dato>900</dato><dato>960</dato><dato>D2</dato></grupo_datos>
</grupo_datos>
</BLOQUE_DATOS></SERVICIO>
)";

// Offscreen has no foreign windows; a stand-alone run never docks.
class SinAcoplar : public qv::HostDocking {
public:
    void dock(QWidget&, quintptr) override {}
    bool isDocked() const override { return false; }
};

// Each modal window that comes up gets the next scripted answer; gives up after a time limit.
class Guion : public QObject {
public:
    using Respuesta = std::function<void(QWidget*)>;

    explicit Guion(std::vector<Respuesta> respuestas) : m_respuestas(std::move(respuestas)) {
        m_reloj.start();
        m_temporizador.setInterval(30);
        connect(&m_temporizador, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal != m_ultimo && m_siguiente < m_respuestas.size()) {
                m_ultimo = modal;
                vistos << QString::fromLatin1(modal->metaObject()->className()) + QLatin1Char('/') +
                              modal->windowTitle();
                if (auto* caja = qobject_cast<QMessageBox*>(modal)) {
                    vistos.last() += QLatin1Char('/') + caja->text();
                }
                m_respuestas[m_siguiente++](modal);
            }
            if (m_reloj.elapsed() > 20000) {
                m_temporizador.stop();
            }
        });
        m_temporizador.start();
    }
    bool terminado() const { return m_siguiente == m_respuestas.size(); }

    QStringList vistos;

private:
    std::vector<Respuesta> m_respuestas;
    std::size_t m_siguiente = 0;
    QPointer<QWidget> m_ultimo;
    QTimer m_temporizador;
    QElapsedTimer m_reloj;
};

std::vector<std::map<std::string, std::string>> filas(const fs::path& carpeta, const char* tabla) {
    qv::Table t(carpeta, tabla);
    t.open(qv::OpenMode::Shared);
    std::vector<std::map<std::string, std::string>> resultado;
    for (t.first(); !t.eof(); t.next()) {
        std::map<std::string, std::string> fila;
        for (const qv::FieldDef& campo : t.fields()) {
            fila[campo.name] = t.asString(campo.name);
        }
        resultado.push_back(fila);
    }
    return resultado;
}

}  // namespace

class ExportarPlantillaTest : public QObject {
    Q_OBJECT

private:
    fs::path m_raiz;
    std::unique_ptr<qv::Session> m_sesion;
    SinAcoplar m_acoplar;

    fs::path carpetaTrabajo() const { return m_raiz / "drive_c" / "VTEMP"; }
    QString documento() const { return QString::fromStdString((m_raiz / "doc.xml").string()); }

    static Guion::Respuesta elegirArchivo(const QString& ruta) {
        return [ruta](QWidget* w) {
            auto* dialogo = qobject_cast<QFileDialog*>(w);
            QVERIFY(dialogo != nullptr);
            dialogo->selectFile(ruta);
            // selectFile leaves the name field alone while it has the focus.
            if (auto* nombre = dialogo->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                nombre->setText(ruta);
            }
            static_cast<QDialog*>(dialogo)->accept();
        };
    }

    static Guion::Respuesta pulsar() {
        return [](QWidget* w) {
            auto* caja = qobject_cast<QMessageBox*>(w);
            QVERIFY(caja != nullptr && !caja->buttons().isEmpty());
            caja->buttons().first()->click();
        };
    }

    // Runs an export from the main window's button; PLANTILLA answers the hour template dialog.
    QStringList exportar(const Guion::Respuesta& plantilla) {
        m_sesion = std::make_unique<qv::Session>(carpetaTrabajo(), m_raiz / "programa");
        qv::TMForm ventana(*m_sesion, {}, m_acoplar);
        ventana.show();
        Guion guion({elegirArchivo(documento()), plantilla, pulsar()});
        ventana.findChild<QPushButton*>(QStringLiteral("BExportar"))->click();
        [&] { QTRY_VERIFY_WITH_TIMEOUT(guion.terminado(), 20000); }();
        return guion.vistos;
    }

private slots:
    void init() {
        std::string patron = (fs::temp_directory_path() / "qv-plantilla-XXXXXX").string();
        QVERIFY(mkdtemp(patron.data()) != nullptr);
        m_raiz = patron;
        qputenv("WINEPREFIX", QByteArray::fromStdString(m_raiz.string()));
        fs::create_directories(m_raiz / "programa");
        fs::copy_file(fs::path(TM_BIN_DIR) / "NIVELCAN.DBF", m_raiz / "programa" / "NIVELCAN.DBF");
        // The document is written in the code page its declaration names.
        std::ofstream(m_raiz / "doc.xml", std::ios::binary) << qv::utf8ToAnsi(kDocumento);
    }

    void cleanup() {
        m_sesion.reset();
        std::error_code ec;
        fs::remove_all(m_raiz, ec);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    // The person picks D2 and presses "Continuar"; the wait cursor stays on meanwhile.
    void choosingTheSecondSchoolDay() {
        bool cursorDeEspera = false;
        QStringList claves;
        const QStringList vistos = exportar([&](QWidget* w) {
            auto* dialogo = qobject_cast<qv::TPlantillas*>(w);
            QVERIFY(dialogo != nullptr);
            cursorDeEspera = QApplication::overrideCursor() != nullptr &&
                             QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            auto* combo = dialogo->findChild<QComboBox*>(QStringLiteral("ComboBoxPlantilla"));
            QTRY_COMPARE(combo->count(), 2);
            for (int i = 0; i < combo->count(); ++i) {
                claves << combo->itemText(i);
            }
            combo->setCurrentIndex(1);
            dialogo->findChild<QPushButton*>(QStringLiteral("BitBtnContinuar"))->click();
        });
        QCOMPARE(vistos.size(), 3);
        QVERIFY2(vistos[1].startsWith("qv::TPlantillas/Plantillas Horarias"),
                 qPrintable(vistos[1]));
        QCOMPARE(vistos[2], QString("QMessageBox/Quorvane/Proceso finalizado"));
        QVERIFY(cursorDeEspera);
        QCOMPARE(claves, QStringList({"D1", "D2"}));
        QCOMPARE(m_sesion->JornadaPlantilla, std::string("D2"));
        QCOMPARE(m_sesion->ResultadoTraspaso, 1);

        const auto horas = filas(carpetaTrabajo(), "DIASHORAST.DBF");
        QCOMPARE(horas.size(), size_t(14));
        // Slots 4 and 3 of the document, by start time: 900 is hour 1, 960 hour 2.
        QCOMPARE(horas[0].at("DIHO"), std::string("11"));
        QCOMPARE(horas[0].at("CODDIHO"), std::string("V1"));
        QCOMPARE(horas[0].at("HORADESDE"), std::string("15:00"));
        QCOMPARE(horas[7].at("DIHO"), std::string("12"));
        QCOMPARE(horas[7].at("CODDIHO"), std::string("V2"));
        const auto horas2 = filas(carpetaTrabajo(), "DIASHORAST2.DBF");
        QCOMPARE(horas2.size(), size_t(14));
        QCOMPARE(horas2[0].at("HORA"), std::string("3"));
        QCOMPARE(horas2[7].at("HORA"), std::string("4"));
        const auto periodos = filas(carpetaTrabajo(), "PERIODOS.DBF");
        QCOMPARE(periodos.size(), size_t(1));
        QCOMPARE(periodos[0].at("CJORNADA"), std::string("D2"));
        QCOMPARE(periodos[0].at("JORNADA"), std::string("Tarde"));
    }

    // Closing the dialog by its close box keeps the first school day.
    void closingTheDialogKeepsTheFirst() {
        exportar([](QWidget* w) {
            auto* dialogo = qobject_cast<qv::TPlantillas*>(w);
            QVERIFY(dialogo != nullptr);
            QTRY_COMPARE(
                dialogo->findChild<QComboBox*>(QStringLiteral("ComboBoxPlantilla"))->count(), 2);
            dialogo->close();
        });
        QCOMPARE(m_sesion->JornadaPlantilla, std::string("D1"));
        const auto horas = filas(carpetaTrabajo(), "DIASHORAST.DBF");
        QCOMPARE(horas.size(), size_t(14));
        QCOMPARE(horas[0].at("CODDIHO"), std::string("M1"));
        QCOMPARE(filas(carpetaTrabajo(), "PERIODOS.DBF").at(0).at("JORNADA"), std::string("Ma\xF1"
                                                                                          "ana"));
    }
};

QTEST_MAIN(ExportarPlantillaTest)
#include "ExportarPlantillaTest.moc"
