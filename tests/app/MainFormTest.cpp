// The main window driven by object name: its look, both run modes, the boxes and result codes
// of every way an export ends, the error handler and the INI file written on closing.
#include <stdlib.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

#include "ModalAnswerer.h"
#include "app/HostDocking.h"
#include "app/MainForm.h"
#include "services/Session.h"
#include "widgets/GradientPanel.h"

namespace fs = std::filesystem;
using Seen = ModalAnswerer::Seen;

namespace {

const char* const kOneSchoolDay = R"(<?xml version="1.0" encoding="UTF-8"?>
<SERVICIO><BLOQUE_DATOS>
<grupo_datos seq="JORNADAS_ESCOLARES"><grupo_datos>
<dato>7</dato><dato>Mañana</dato><dato>15/09/2026</dato><dato>22/06/2027</dato>
</grupo_datos></grupo_datos>
<grupo_datos seq="TRAMOS_HORARIOS">
<grupo_datos><dato>71</dato><dato>1ª</dato><dato>480</dato><dato>540</dato><dato>7</dato></grupo_datos>
</grupo_datos>
</BLOQUE_DATOS></SERVICIO>
)";

// Offscreen has no foreign windows: this one records the request and leaves the window
// unparented, borderless as a docked one.
class FakeDocking : public qv::HostDocking {
public:
    std::optional<quintptr> host;
    void dock(QWidget& form, quintptr id) override {
        host = id;
        form.setWindowFlags(form.windowFlags() | Qt::FramelessWindowHint);
    }
    bool isDocked() const override { return false; }
};

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool isRunMessage(const Seen& s, const QString& text) {
    return s.className == QLatin1String("QMessageBox") && s.title == QLatin1String("Quorvane") &&
           s.text == text && s.icon == QMessageBox::NoIcon &&
           s.buttons == QStringList{QStringLiteral("Aceptar")};
}

bool isErrorBox(const Seen& s) {
    return s.className == QLatin1String("QMessageBox") && s.title == QLatin1String("Quorvane") &&
           s.icon == QMessageBox::Critical && s.buttons == QStringList{QStringLiteral("Aceptar")};
}

bool isFileDialog(const Seen& s) {
    return s.className == QLatin1String("QFileDialog") && s.title == QLatin1String("Archivo XML");
}

QString describe(const std::vector<Seen>& seen) {
    QStringList parts;
    for (const Seen& s : seen) {
        parts << s.className + QLatin1Char('/') + s.title + QLatin1Char('/') + s.text;
    }
    return parts.join(QStringLiteral(" | "));
}

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowLooksAsDrawn();
    void standAloneWindowWritesNoIni();
    void exportPaths_data();
    void exportPaths();
    void secondStandAloneExportCompletesToo();
    void severalSchoolDaysAskForTheTemplate();
    void embeddedImportStartsAtOnce();
    void unknownDirectionWordDocksAndWaits();
    void handleThatIsNoHexadecimalNumber_data();
    void handleThatIsNoHexadecimalNumber();
    void iniThatCannotBeWrittenKeepsTheWindowOpen();
    void iniKeepsWhatElseItHolds();
    void helpButtonAndF1OpenHelpThatClosesWithTheWindow();

private:
    fs::path workFolder() const { return m_root / "drive_c" / "VTEMP"; }
    fs::path programFolder() const { return m_root / "programa"; }
    fs::path ini() const { return programFolder() / "Velkorin.ini"; }
    QString document() const { return QString::fromStdString((m_root / "doc.xml").string()); }

    // A window over a fresh session, created while ANSWERER answers what its creation shows.
    std::unique_ptr<qv::TMForm> makeForm(const QStringList& arguments) {
        m_session = std::make_unique<qv::Session>(workFolder(), programFolder());
        return std::make_unique<qv::TMForm>(*m_session, arguments, m_docking);
    }

    fs::path m_root;
    FakeDocking m_docking;
    std::unique_ptr<qv::Session> m_session;
};

void MainFormTest::init() {
    std::string pattern = (fs::temp_directory_path() / "qv-mainform-XXXXXX").string();
    m_root = mkdtemp(pattern.data());
    fs::create_directories(programFolder());
    fs::copy_file(fs::path(TM_BIN_DIR) / "NIVELCAN.DBF", programFolder() / "NIVELCAN.DBF");
    std::ofstream(m_root / "doc.xml", std::ios::binary) << kOneSchoolDay;
    std::ofstream(m_root / "malo.xml", std::ios::binary) << "<SERVICIO>\n<BLOQUE_DATOS>\n";
    m_docking = FakeDocking();
}

void MainFormTest::cleanup() {
    m_session.reset();
    std::error_code ec;
    fs::remove_all(m_root, ec);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void MainFormTest::windowLooksAsDrawn() {
    auto form = makeForm({});
    QCOMPARE(form->objectName(), QStringLiteral("MForm"));
    QCOMPARE(form->windowTitle(),
             QStringLiteral("Exportar e importar datos entre Velkorin y Ondivia"));
    QCOMPARE(form->size(), QSize(632, 266));
    QCOMPARE(form->minimumSize(), QSize(632, 266));
    QCOMPARE(form->maximumSize(), QSize(632, 266));
    QVERIFY(!(form->windowFlags() & Qt::FramelessWindowHint));
    QVERIFY(!(form->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form->property("helpContext").toInt(), 3);

    struct Panel {
        const char* name;
        QRect geometry;
        QColor start, middle, end;
    };
    const QColor warm(0xF9, 0xD3, 0x7D), cream(0xFF, 0xEE, 0xDD);
    const Panel panels[] = {
        {"Draw3D2", QRect(1, 0, 315, 169), warm, Qt::white, cream},
        {"Draw3D3", QRect(316, 0, 317, 169), warm, Qt::white, cream},
        {"Draw3D1", QRect(0, 168, 633, 97), QColor(0xC2, 0xCD, 0xFE), QColor(0xCF, 0xF2, 0xFE),
         QColor(0xCC, 0xD8, 0xE6)},
    };
    for (const Panel& p : panels) {
        auto* panel = form->findChild<qv::GradientPanel*>(QLatin1String(p.name));
        QVERIFY2(panel, p.name);
        QCOMPARE(panel->geometry(), p.geometry);
        QCOMPARE(panel->startColor(), p.start);
        QCOMPARE(panel->middleColor(), p.middle);
        QCOMPARE(panel->endColor(), p.end);
        QCOMPARE(panel->property("helpContext").toInt(), 3);
    }

    struct Button {
        const char* name;
        const char* panel;
        QString caption;
        QRect geometry;
    };
    const Button buttons[] = {
        {"BExportar", "Draw3D2", QStringLiteral("Aceptar"), QRect(96, 120, 89, 25)},
        {"BImportar", "Draw3D3", QStringLiteral("Aceptar"), QRect(96, 120, 89, 25)},
        {"BClose", "Draw3D1", QStringLiteral("&Salir"), QRect(256, 32, 89, 25)},
        {"Button1", "Draw3D1", QStringLiteral("F1 Ayuda"), QRect(48, 40, 75, 25)},
    };
    for (const Button& b : buttons) {
        auto* button = form->findChild<QPushButton*>(QLatin1String(b.name));
        QVERIFY2(button, b.name);
        QCOMPARE(button->parentWidget()->objectName(), QLatin1String(b.panel));
        QCOMPARE(button->text(), b.caption);
        QCOMPARE(button->geometry(), b.geometry);
        QCOMPARE(button->property("helpContext").toInt(), 3);
    }
    // Tab order: the bottom strip's buttons, then the left panel's, then the right one's.
    auto* bClose = form->findChild<QPushButton*>(QStringLiteral("BClose"));
    QCOMPARE(bClose->nextInFocusChain(), form->findChild<QPushButton*>(QStringLiteral("Button1")));

    struct Label {
        const char* name;
        const char* panel;
        QString text;
        QPoint position;
        int points;
        bool wordWrap;
    };
    const Label labels[] = {
        {"Label3", "Draw3D2", QStringLiteral("Transformar datos desde Ondivia hacia Velkorin "),
         QPoint(24, 24), 12, true},
        {"Label4", "Draw3D3", QStringLiteral("Transformar datos desde Velkorin hacia Ondivia"),
         QPoint(8, 24), 12, true},
        {"Label1", "Draw3D1", QStringLiteral("Quorvane para VL11 V-1.2"), QPoint(8, 72), 8, false},
    };
    for (const Label& l : labels) {
        auto* label = form->findChild<QLabel*>(QLatin1String(l.name));
        QVERIFY2(label, l.name);
        QCOMPARE(label->parentWidget()->objectName(), QLatin1String(l.panel));
        QCOMPARE(label->text(), l.text);
        QCOMPARE(label->pos(), l.position);
        QCOMPARE(label->font().pointSize(), l.points);
        QVERIFY(label->font().bold());
        QCOMPARE(label->wordWrap(), l.wordWrap);
        QVERIFY(!label->autoFillBackground());
    }
    QCOMPARE(form->findChild<QLabel*>(QStringLiteral("Label3"))->size(), QSize(265, 57));
    QCOMPARE(form->findChild<QLabel*>(QStringLiteral("Label4"))->size(), QSize(305, 57));
    QCOMPARE(
        form->findChild<QLabel*>(QStringLiteral("Label1"))->palette().color(QPalette::WindowText),
        QColor(Qt::red));

    auto* dialog = form->findChild<QFileDialog*>(QStringLiteral("OpenDialogXML"));
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Archivo XML"));
    QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("*.xml")});
    QCOMPARE(dialog->defaultSuffix(), QStringLiteral("xml"));
    QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
}

void MainFormTest::standAloneWindowWritesNoIni() {
    // One argument or three are stand-alone too: the arguments are ignored.
    const QStringList cases[] = {
        {},
        {QStringLiteral("exportar")},
        {QStringLiteral("exportar"), QStringLiteral("1A2B"), QStringLiteral("x")}};
    for (const QStringList& arguments : cases) {
        ModalAnswerer answerer({});
        auto form = makeForm(arguments);
        form->show();
        QVERIFY(form->isVisible());
        QVERIFY(answerer.seen().empty());
        QVERIFY(!m_docking.host);
        QCOMPARE(m_session->ModoIntegrado, 0);
        QVERIFY(form->close());
        QVERIFY(!fs::exists(ini()));
    }
}

// How an export ends, in both modes: the boxes, the result code, the window, the INI file.
void MainFormTest::exportPaths_data() {
    QTest::addColumn<QStringList>("arguments");  // empty: stand-alone, BExportar pressed
    QTest::addColumn<QString>("answer");         // file to choose; empty: cancel
    QTest::addColumn<bool>("removeLevelTable");
    QTest::addColumn<QString>("message");  // the run's own message; empty: an error box
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("closes");

    const QStringList embedded{QStringLiteral("exportar"), QStringLiteral("1A2B")};
    const QStringList upper{QStringLiteral("EXPORTAR"), QStringLiteral("1A2B")};
    QTest::newRow("stand-alone, cancelled")
        << QStringList() << QString() << false << QStringLiteral("No existe archivo") << 0 << false;
    QTest::newRow("embedded, cancelled")
        << embedded << QString() << false << QStringLiteral("No existe archivo") << -1 << true;
    QTest::newRow("embedded, typed name that does not exist")
        << embedded << QStringLiteral("no-existe.xml") << false
        << QStringLiteral("No existe archivo") << -1 << true;
    QTest::newRow("stand-alone, NIVELCAN.DBF missing")
        << QStringList() << QStringLiteral("doc.xml") << true
        << QStringLiteral("ATENCIÓN - NIVELCAN.DBF No encontrado - Reinstale QUORVANE") << 0
        << false;
    QTest::newRow("embedded, NIVELCAN.DBF missing")
        << embedded << QStringLiteral("doc.xml") << true
        << QStringLiteral("ATENCIÓN - NIVELCAN.DBF No encontrado - Reinstale QUORVANE") << 0
        << false;
    QTest::newRow("stand-alone, completed") << QStringList() << QStringLiteral("doc.xml") << false
                                            << QStringLiteral("Proceso finalizado") << 1 << false;
    QTest::newRow("embedded, upper case, completed")
        << upper << QStringLiteral("doc.xml") << false << QStringLiteral("Proceso finalizado") << 1
        << true;
    QTest::newRow("stand-alone, not XML")
        << QStringList() << QStringLiteral("malo.xml") << false << QString() << 0 << false;
    QTest::newRow("embedded, not XML")
        << embedded << QStringLiteral("malo.xml") << false << QString() << 0 << false;
}

void MainFormTest::exportPaths() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, answer);
    QFETCH(bool, removeLevelTable);
    QFETCH(QString, message);
    QFETCH(int, result);
    QFETCH(bool, closes);
    const bool isEmbedded = !arguments.isEmpty();
    if (removeLevelTable) {
        fs::remove(programFolder() / "NIVELCAN.DBF");
    }
    const QString path = answer.isEmpty()
                             ? QString()
                             : QString::fromStdString((m_root / answer.toStdString()).string());

    ModalAnswerer answerer(
        {path.isEmpty() ? ModalAnswerer::cancel() : ModalAnswerer::chooseFile(path),
         ModalAnswerer::press()});
    auto form = makeForm(arguments);
    QCOMPARE(m_session->ModoIntegrado, isEmbedded ? 2 : 0);
    if (isEmbedded) {
        QCOMPARE(m_docking.host, std::optional<quintptr>(0x1A2B));
        QVERIFY(form->windowFlags() & Qt::FramelessWindowHint);
    }
    form->show();  // an embedded start runs the export here, before the window appears
    if (!isEmbedded) {
        QVERIFY(answerer.seen().empty());
        form->findChild<QPushButton*>(QStringLiteral("BExportar"))->click();
    }
    QVERIFY(!answerer.timedOut());
    const auto& seen = answerer.seen();
    QVERIFY2(seen.size() == 2, qPrintable(describe(seen)));
    QVERIFY(isFileDialog(seen[0]));
    if (message.isEmpty()) {
        QVERIFY2(isErrorBox(seen[1]), qPrintable(describe(seen)));
        QVERIFY2(seen[1].text.contains(path) && seen[1].text.contains(QStringLiteral("línea")) &&
                     seen[1].text.endsWith(QLatin1Char('.')),
                 qPrintable(seen[1].text));
        QVERIFY(!fs::exists(workFolder()));
    } else {
        QVERIFY2(isRunMessage(seen[1], message), qPrintable(describe(seen)));
    }
    QVERIFY(!seen[1].waitCursor);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(m_session->ResultadoTraspaso, result);
    QCOMPARE(form->wasClosed(), closes);
    QCOMPARE(form->isVisible(), !closes);
    if (message == QLatin1String("Proceso finalizado")) {
        QVERIFY(fs::is_regular_file(workFolder() / "PERIODOS.DBF"));
    }
    if (!closes) {
        QVERIFY(!fs::exists(ini()));
        QVERIFY(form->close());
    }
    if (isEmbedded) {
        QCOMPARE(readAll(ini()),
                 "[Transformadores]\r\nTransformado=" + std::to_string(result) + "\r\n");
    } else {
        QVERIFY(!fs::exists(ini()));
    }
}

void MainFormTest::secondStandAloneExportCompletesToo() {
    const QString path = document();
    ModalAnswerer answerer({ModalAnswerer::chooseFile(path), ModalAnswerer::press(),
                            ModalAnswerer::cancel(), ModalAnswerer::press()});
    auto form = makeForm({});
    form->show();
    auto* bExportar = form->findChild<QPushButton*>(QStringLiteral("BExportar"));
    bExportar->click();
    bExportar->click();  // dialog cancelled: the run takes the file chosen before
    QVERIFY(answerer.done());
    const auto& seen = answerer.seen();
    QVERIFY2(seen.size() == 4, qPrintable(describe(seen)));
    QVERIFY(isRunMessage(seen[1], QStringLiteral("Proceso finalizado")));
    QVERIFY(isFileDialog(seen[2]));
    QVERIFY(isRunMessage(seen[3], QStringLiteral("Proceso finalizado")));
    QCOMPARE(m_session->ResultadoTraspaso, 1);
    QVERIFY(form->isVisible());
}

// The hour template dialog comes up over the document, under the wait cursor; closing it hands
// back the first school day.
void MainFormTest::severalSchoolDaysAskForTheTemplate() {
    const QString sample =
        QString::fromStdString((fs::path(TM_SOURCE_DIR) / "data" / "ejemplo.xml").string());
    ModalAnswerer answerer(
        {ModalAnswerer::chooseFile(sample), ModalAnswerer::cancel(), ModalAnswerer::press()});
    auto form = makeForm({});
    form->show();
    form->findChild<QPushButton*>(QStringLiteral("BExportar"))->click();
    const auto& seen = answerer.seen();
    QVERIFY2(seen.size() == 3, qPrintable(describe(seen)));
    QCOMPARE(seen[1].title, QStringLiteral("Plantillas Horarias"));
    QVERIFY(seen[1].waitCursor);
    QVERIFY(isRunMessage(seen[2], QStringLiteral("Proceso finalizado")));
    QVERIFY(!seen[2].waitCursor);
    QCOMPARE(m_session->JornadaPlantilla, std::string("1"));
    QCOMPARE(m_session->ResultadoTraspaso, 1);
}

void MainFormTest::embeddedImportStartsAtOnce() {
    ModalAnswerer answerer({ModalAnswerer::cancel(), ModalAnswerer::press()});
    auto form = makeForm({QStringLiteral("IMPORTAR"), QStringLiteral("1A2B")});
    form->show();
    const auto& seen = answerer.seen();
    QVERIFY2(seen.size() == 2, qPrintable(describe(seen)));
    QVERIFY(isFileDialog(seen[0]));
    QVERIFY(isRunMessage(seen[1], QStringLiteral("No existe archivo")));
    QCOMPARE(m_session->ResultadoTraspaso, -1);
    QVERIFY(form->wasClosed());
    QVERIFY(!form->isVisible());
    QCOMPARE(readAll(ini()), std::string("[Transformadores]\r\nTransformado=-1\r\n"));
}

void MainFormTest::unknownDirectionWordDocksAndWaits() {
    ModalAnswerer answerer({});
    auto form = makeForm({QStringLiteral("ayuda"), QStringLiteral("1A2B")});
    form->show();
    QTest::qWait(100);
    QVERIFY(answerer.seen().empty());
    QCOMPARE(m_docking.host, std::optional<quintptr>(0x1A2B));
    QCOMPARE(m_session->ModoIntegrado, 2);
    QVERIFY(form->isVisible());
    form->findChild<QPushButton*>(QStringLiteral("BClose"))->click();
    QVERIFY(form->wasClosed());
    QCOMPARE(readAll(ini()), std::string("[Transformadores]\r\nTransformado=0\r\n"));
}

void MainFormTest::handleThatIsNoHexadecimalNumber_data() {
    QTest::addColumn<QString>("direction");
    QTest::addColumn<QString>("handle");
    QTest::newRow("importar xyz") << QStringLiteral("importar") << QStringLiteral("xyz");
    QTest::newRow("exportar xyz") << QStringLiteral("exportar") << QStringLiteral("xyz");
    QTest::newRow("C-style prefix") << QStringLiteral("Exportar") << QStringLiteral("0x1A");
}

// The error box comes from the window's creation; the run named by the word still starts, in
// an undocked window that neither sets -1 nor closes, and closing it writes nothing.
void MainFormTest::handleThatIsNoHexadecimalNumber() {
    QFETCH(QString, direction);
    QFETCH(QString, handle);
    ModalAnswerer answerer(
        {ModalAnswerer::press(), ModalAnswerer::cancel(), ModalAnswerer::press()});
    auto form = makeForm({direction, handle});
    QVERIFY2(answerer.seen().size() == 1, qPrintable(describe(answerer.seen())));
    QVERIFY(isErrorBox(answerer.seen()[0]));
    QCOMPARE(answerer.seen()[0].text,
             QStringLiteral("'$") + handle + QStringLiteral("' no es un valor entero válido."));
    QVERIFY(!m_docking.host);
    QCOMPARE(m_session->ModoIntegrado, 0);
    QVERIFY(!(form->windowFlags() & Qt::FramelessWindowHint));

    form->show();
    const auto& seen = answerer.seen();
    QVERIFY2(seen.size() == 3, qPrintable(describe(seen)));
    QVERIFY(isFileDialog(seen[1]));
    QVERIFY(isRunMessage(seen[2], QStringLiteral("No existe archivo")));
    QCOMPARE(m_session->ResultadoTraspaso, 0);
    QVERIFY(form->isVisible());
    QVERIFY(form->close());
    QVERIFY(!fs::exists(ini()));
}

void MainFormTest::iniThatCannotBeWrittenKeepsTheWindowOpen() {
    fs::create_directory(ini());  // a folder where the file should go
    ModalAnswerer answerer({ModalAnswerer::press()});
    auto form = makeForm({QStringLiteral("ayuda"), QStringLiteral("FF")});
    form->show();
    QVERIFY(!form->close());
    QVERIFY2(answerer.seen().size() == 1, qPrintable(describe(answerer.seen())));
    QVERIFY(isErrorBox(answerer.seen()[0]));
    QCOMPARE(answerer.seen()[0].text, QStringLiteral("Unable to write to ") +
                                          QString::fromStdString(ini().string()) +
                                          QLatin1Char('.'));
    QVERIFY(form->isVisible());
    QVERIFY(!form->wasClosed());
    fs::remove(ini());
    QVERIFY(form->close());
    QVERIFY(fs::is_regular_file(ini()));
}

void MainFormTest::iniKeepsWhatElseItHolds() {
    std::ofstream(ini(), std::ios::binary)
        << "[Velkorin]\r\nIdioma=ES\r\n\r\n[transformadores]\r\nTRANSFORMADO=1\r\nOtro=x\r\n";
    ModalAnswerer answerer({ModalAnswerer::cancel(), ModalAnswerer::press()});
    auto form = makeForm({QStringLiteral("exportar"), QStringLiteral("1a2b")});
    form->show();
    QVERIFY(form->wasClosed());
    QCOMPARE(readAll(ini()), std::string("[Velkorin]\r\nIdioma=ES\r\n\r\n[transformadores]\r\n"
                                         "TRANSFORMADO=-1\r\nOtro=x\r\n"));
}

namespace {

std::vector<QWidget*> otherVisibleWindows(const QWidget* form) {
    std::vector<QWidget*> out;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != form && w->isVisible()) {
            out.push_back(w);
        }
    }
    return out;
}

}  // namespace

// The help file ONDIVIA.chm is built beside the test program, so both help requests open the
// viewer, and closing the main window takes the viewer away with it.
void MainFormTest::helpButtonAndF1OpenHelpThatClosesWithTheWindow() {
    if (!fs::exists(fs::path(TM_BIN_DIR) / "ONDIVIA.chm")) {
        QSKIP("ONDIVIA.chm was not built");
    }
    auto form = makeForm({});
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QVERIFY(otherVisibleWindows(form.get()).empty());
    form->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    QTRY_VERIFY(!otherVisibleWindows(form.get()).empty());
    for (QWidget* w : otherVisibleWindows(form.get())) {
        w->close();
    }
    QTRY_VERIFY(otherVisibleWindows(form.get()).empty());

    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form->findChild<QPushButton*>(QStringLiteral("BExportar")), Qt::Key_F1);
    QTRY_VERIFY(!otherVisibleWindows(form.get()).empty());
    QVERIFY(form->close());
    QTRY_VERIFY(otherVisibleWindows(form.get()).empty());
}

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
