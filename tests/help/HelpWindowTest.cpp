// The built-in viewer in a Qt window: what F1 and "F1 Ayuda" open, and nothing at all when the
// help file or the context is missing.

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include "help/AppHelp.h"
#include "help/ChmHelpBackEnd.h"
#include "help/HelpSystem.h"
#include "help/QelHtmlHelp.h"

using namespace qv::help;

namespace {

QList<QWidget*> helpWindows() {
    QList<QWidget*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == "QelHtmlHelpWindow") {
            found.append(w);
        }
    }
    return found;
}

// A help system with our viewer over the built-in back end, the program folder given.
struct Installed {
    explicit Installed(const QString& programFolder) {
        auto owned = std::make_unique<ChmHelpBackEnd>();
        backEnd = owned.get();
        viewer = registerQelHtmlHelp(system, std::move(owned), programFolder.toStdString());
        system.setApplicationHelpFile("ONDIVIA.chm");
    }
    HelpSystem system;
    ChmHelpBackEnd* backEnd = nullptr;
    std::shared_ptr<TQelHtmlHelpViewer> viewer;
};

}  // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(helpWindows().isEmpty()); }
    void cleanup() {
        closeAll();
        QCoreApplication::processEvents();
        QVERIFY(helpWindows().isEmpty());
    }

    void missingHelpFileDoesNothing() {
        QTemporaryDir empty;
        Installed help(empty.path());
        QWidget owner;
        // A box popping up would be an error shown: watch for one while the requests run.
        bool boxSeen = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout,
                [&] { boxSeen |= QApplication::activeModalWidget() != nullptr; });
        watch.start(5);
        help.system.showTableOfContents(ChmHelpBackEnd::handleOf(&owner));
        help.system.showContext(ChmHelpBackEnd::handleOf(&owner), 3);
        help.viewer->displayTopic("inicio");
        help.viewer->showHelp("QelHtmlHelp: importar");
        QTest::qWait(50);
        QVERIFY(!boxSeen);
        QCOMPARE(help.backEnd->window(), nullptr);
        QVERIFY(helpWindows().isEmpty());
    }

    void unknownContextOrTopicDoesNothing() {
        Installed help(QCoreApplication::applicationDirPath());
        QWidget owner;
        help.system.showContext(ChmHelpBackEnd::handleOf(&owner), 99);
        help.viewer->displayTopic("no_existe");
        QCOMPARE(help.backEnd->window(), nullptr);
        QVERIFY(helpWindows().isEmpty());
    }

    void contentsButtonOpensTheContents() {
        QWidget owner;
        owner.show();
        showContents(&owner);
        QList<QWidget*> windows = helpWindows();
        QCOMPARE(windows.size(), 1);
        QWidget* window = windows.first();
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QString("Ayuda de Quorvane"));
        QCOMPARE(window->parentWidget(), &owner);

        auto* tabs = window->findChild<QTabWidget*>("navigation");
        auto* contents = window->findChild<QTreeWidget*>("contents");
        auto* topic = window->findChild<QTextBrowser*>("topic");
        QVERIFY(tabs && contents && topic);
        QCOMPARE(tabs->currentWidget(), contents);
        QVERIFY(contents->topLevelItemCount() >= 5);
        QCOMPARE(contents->topLevelItem(0)->text(0), QString("Bienvenida a Quorvane"));
        QStringList names;
        for (QTreeWidgetItemIterator it(contents); *it; ++it) {
            names << (*it)->text(0);
        }
        QVERIFY(names.contains("El cuadro «Control de Profesores»"));
        QVERIFY(names.contains("Mensajes y qué hacer"));
        // The default topic is shown beside the contents.
        QCOMPARE(topic->source().path(), QString("/inicio.htm"));
        QVERIFY(topic->toPlainText().contains("Quorvane lleva los datos del centro"));

        // A second press reuses the window.
        showContents(&owner);
        QCOMPARE(helpWindows().size(), 1);
    }

    void f1OpensTheTopicOfTheContext_data() {
        QTest::addColumn<int>("context");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("heading");
        QTest::newRow("main window") << 3 << "/ventana_principal.htm"
                                     << "La ventana principal";
        QTest::newRow("teacher data") << 1 << "/datos_profesores.htm"
                                      << "El cuadro «Control de Profesores»";
    }
    void f1OpensTheTopicOfTheContext() {
        QFETCH(int, context);
        QFETCH(QString, path);
        QFETCH(QString, heading);
        QDialog owner;
        owner.show();
        showContext(&owner, context);
        QList<QWidget*> windows = helpWindows();
        QCOMPARE(windows.size(), 1);
        // It belongs to the window that asked, so a modal dialog does not block it.
        QCOMPARE(windows.first()->parentWidget(), &owner);
        auto* topic = windows.first()->findChild<QTextBrowser*>("topic");
        QCOMPARE(topic->source().path(), path);
        QVERIFY(topic->toPlainText().startsWith(heading));
        auto* contents = windows.first()->findChild<QTreeWidget*>("contents");
        QVERIFY(contents->currentItem());
        QCOMPARE(contents->currentItem()->data(0, Qt::UserRole).toString(), path.mid(1));
    }

    void helpWindowFollowsTheWindowThatAsks() {
        QWidget main;
        main.show();
        showContents(&main);
        QDialog dialog(&main);
        dialog.show();
        showContext(&dialog, 1);
        QList<QWidget*> windows = helpWindows();
        QCOMPARE(windows.size(), 1);
        QCOMPARE(windows.first()->parentWidget(), &dialog);
        QVERIFY(windows.first()->isVisible());
    }

    void indexAndLinks() {
        Installed help(QCoreApplication::applicationDirPath());
        help.viewer->showHelp("QelHtmlHelp:  importar ");
        ChmViewerWindow* window = help.backEnd->window();
        QVERIFY(window);
        auto* tabs = window->findChild<QTabWidget*>("navigation");
        auto* index = window->findChild<QListWidget*>("index");
        auto* filter = window->findChild<QLineEdit*>("indexFilter");
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(filter->text(), QString("importar"));
        QVERIFY(index->count() > 30);
        QVERIFY(index->currentItem());
        QCOMPARE(index->currentItem()->text(), QString("Importar"));
        QCOMPARE(window->currentTopic(), std::string("importar.htm"));

        // A link inside a topic opens the page it names; one outside the file is not followed.
        auto* topic = window->findChild<QTextBrowser*>("topic");
        emit topic->anchorClicked(QUrl("datos_profesores.htm"));
        QCOMPARE(window->currentTopic(), std::string("datos_profesores.htm"));
        emit topic->anchorClicked(QUrl("https://example.invalid/"));
        emit topic->anchorClicked(QUrl("no_existe.htm"));
        QCOMPARE(window->currentTopic(), std::string("datos_profesores.htm"));
        // The style sheet comes from the help file too.
        QVariant css = topic->loadResource(QTextDocument::StyleSheetResource, QUrl("estilo.css"));
        QVERIFY(css.toString().contains("font-family"));

        help.viewer->displayTopic("mensajes");
        QCOMPARE(window->currentTopic(), std::string("mensajes.htm"));
        QVERIFY(topic->toPlainText().contains(
            "ATENCIÓN - NIVELCAN.DBF No encontrado - Reinstale QUORVANE"));

        help.viewer->softShutDown();
        QCOMPARE(help.backEnd->window(), nullptr);
    }
};

QTEST_MAIN(HelpWindowTest)
#include "HelpWindowTest.moc"
