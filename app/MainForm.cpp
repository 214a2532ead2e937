#include "app/MainForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>

#include "app/ErrorHandler.h"
#include "app/HostDocking.h"
#include "export/ExportRun.h"
#include "help/AppHelp.h"
#include "import/ImportRun.h"
#include "services/IniFile.h"
#include "widgets/GradientPanel.h"

namespace qv {

namespace {

constexpr int kHelpContext = 3;
constexpr int kEmbedded = 2;

std::vector<std::string> toUtf8(const QStringList& arguments) {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(arguments.size()));
    for (const QString& a : arguments) {
        out.push_back(a.toStdString());
    }
    return out;
}

QFont sansSerif(int points) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans")});
    font.setPointSize(points);
    return font;
}

QFont arialBold12() {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    font.setPointSize(12);
    font.setBold(true);
    return font;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QFont& font,
                  const QRect& geometry, bool wordWrap) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->setWordWrap(wordWrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAutoFillBackground(false);
    if (geometry.isEmpty()) {
        label->move(geometry.topLeft());
        label->adjustSize();
    } else {
        label->setGeometry(geometry);
    }
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& geometry, QStyle::StandardPixmap glyph) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    if (glyph != QStyle::SP_CustomBase) {
        button->setIcon(button->style()->standardIcon(glyph));
    }
    button->setProperty("helpContext", kHelpContext);
    return button;
}

}  // namespace

TMForm::TMForm(Session& session, const QStringList& arguments, HostDocking& docking,
               QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_session(session),
      m_commandLine(toUtf8(arguments)),
      m_docking(docking) {
    buildControls();
    m_port = std::make_unique<QtUserPort>(*this, *m_openDialogXML, m_session.carpetaTrabajo);
    runReportingErrors(this, [this] { FormCreate(); });
}

TMForm::~TMForm() = default;

void TMForm::buildControls() {
    setObjectName(QStringLiteral("MForm"));
    setWindowTitle(QStringLiteral("Exportar e importar datos entre Velkorin y Ondivia"));
    setFont(sansSerif(8));
    setFixedSize(632, 266);
    setProperty("helpContext", kHelpContext);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    const QColor warm(0xF9, 0xD3, 0x7D), white(Qt::white), cream(0xFF, 0xEE, 0xDD);
    m_draw3D2 = new GradientPanel(warm, white, cream, this);
    m_draw3D2->setObjectName(QStringLiteral("Draw3D2"));
    m_draw3D2->setGeometry(1, 0, 315, 169);
    m_draw3D3 = new GradientPanel(warm, white, cream, this);
    m_draw3D3->setObjectName(QStringLiteral("Draw3D3"));
    m_draw3D3->setGeometry(316, 0, 317, 169);
    m_draw3D1 = new GradientPanel(QColor(0xC2, 0xCD, 0xFE), QColor(0xCF, 0xF2, 0xFE),
                                  QColor(0xCC, 0xD8, 0xE6), this);
    m_draw3D1->setObjectName(QStringLiteral("Draw3D1"));
    m_draw3D1->setGeometry(0, 168, 633, 97);
    for (GradientPanel* panel : {m_draw3D1, m_draw3D2, m_draw3D3}) {
        panel->setProperty("helpContext", kHelpContext);
    }

    m_label3 = makeLabel(m_draw3D2, "Label3",
                         QStringLiteral("Transformar datos desde Ondivia hacia Velkorin "),
                         arialBold12(), QRect(24, 24, 265, 57), true);
    m_bExportar = makeButton(m_draw3D2, "BExportar", QStringLiteral("Aceptar"),
                             QRect(96, 120, 89, 25), QStyle::SP_DialogOkButton);
    m_label4 = makeLabel(m_draw3D3, "Label4",
                         QStringLiteral("Transformar datos desde Velkorin hacia Ondivia"),
                         arialBold12(), QRect(8, 24, 305, 57), true);
    m_bImportar = makeButton(m_draw3D3, "BImportar", QStringLiteral("Aceptar"),
                             QRect(96, 120, 89, 25), QStyle::SP_DialogOkButton);
    m_bClose = makeButton(m_draw3D1, "BClose", QStringLiteral("&Salir"), QRect(256, 32, 89, 25),
                          QStyle::SP_DialogCloseButton);
    m_button1 = makeButton(m_draw3D1, "Button1", QStringLiteral("F1 Ayuda"), QRect(48, 40, 75, 25),
                           QStyle::SP_CustomBase);
    QFont small = sansSerif(8);
    small.setBold(true);
    m_label1 = makeLabel(m_draw3D1, "Label1", QStringLiteral("Quorvane para VL11 V-1.2"), small,
                         QRect(8, 72, 0, 0), false);
    QPalette red = m_label1->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    m_label1->setPalette(red);

    // Tab order: the bottom strip first (BClose, Button1), then the left and the right panel.
    setTabOrder(m_bClose, m_button1);
    setTabOrder(m_button1, m_bExportar);
    setTabOrder(m_bExportar, m_bImportar);
    m_bClose->setFocus();

    m_openDialogXML = new QFileDialog(this, QStringLiteral("Archivo XML"));
    m_openDialogXML->setObjectName(QStringLiteral("OpenDialogXML"));
    m_openDialogXML->setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name that does not exist is handed to the run, which reports it.
    m_openDialogXML->setFileMode(QFileDialog::AnyFile);
    m_openDialogXML->setNameFilter(QStringLiteral("*.xml"));
    m_openDialogXML->setDefaultSuffix(QStringLiteral("xml"));

    connect(m_bExportar, &QPushButton::clicked, this, &TMForm::BExportarClick);
    connect(m_bImportar, &QPushButton::clicked, this, &TMForm::BImportarClick);
    connect(m_bClose, &QPushButton::clicked, this, &QWidget::close);
    connect(m_button1, &QPushButton::clicked, this, &TMForm::Button1Click);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { help::showContext(this, kHelpContext); });
}

void TMForm::FormCreate() {
    m_session.ResultadoTraspaso = 0;
    if (!m_commandLine.asksForEmbedding()) {
        return;
    }
    const std::int32_t host = m_commandLine.hostWindow();
    m_docking.dock(*this, static_cast<quintptr>(static_cast<std::uint32_t>(host)));
    m_session.ModoIntegrado = m_commandLine.count();
}

void TMForm::FormShow() {
    if (!m_commandLine.asksForEmbedding()) {
        return;
    }
    if (m_commandLine.asksForImport()) {
        BImportarClick();
    }
    if (!m_closed && m_commandLine.asksForExport()) {
        BExportarClick();
    }
}

void TMForm::setVisible(bool visible) {
    if (visible && !m_shown) {
        m_shown = true;
        FormShow();
        if (m_closed) {
            return;
        }
    }
    QWidget::setVisible(visible);
}

void TMForm::BExportarClick() {
    runReportingErrors(this, [this] { qv::BExportarClick(m_session, *m_port); });
    m_port->setWaitCursor(false);
}

void TMForm::BImportarClick() {
    runReportingErrors(this, [this] { qv::BImportarClick(m_session, *m_port); });
    m_port->setWaitCursor(false);
}

void TMForm::Button1Click() {
    help::showContents(this);
}

bool TMForm::FormClose() {
    if (m_session.ModoIntegrado != kEmbedded) {
        return true;
    }
    return runReportingErrors(this, [this] {
        writeIniInteger(m_session.carpetaPrograma / "Velkorin.ini", "Transformadores",
                        "Transformado", m_session.ResultadoTraspaso);
    });
}

void TMForm::closeEvent(QCloseEvent* event) {
    if (m_closed) {
        event->accept();
        return;
    }
    if (!FormClose()) {
        event->ignore();
        return;
    }
    event->accept();
    m_closed = true;
    // Closing the main window ends the program: help windows must not keep it alive.
    help::closeAll();
    // A docked window is no top-level window: its closing does not end the event loop.
    if (m_docking.isDocked()) {
        QCoreApplication::exit(0);
    }
}

}  // namespace qv
