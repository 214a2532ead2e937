#include "export/ui/TPlantillas.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>
#include <exception>
#include <vector>

#include "formats/ExchangeDocument.h"
#include "help/AppHelp.h"
#include "services/ErrorText.h"
#include "services/Text.h"
#include "services/XmlDocument.h"
#include "widgets/GradientPanel.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace qv {

namespace {

constexpr int kAyudaPlantillas = 3;
constexpr int kAltoElemento = 13;
const QSize kTamanoExterior(378, 269);
const QPoint kPosicionDisenada(368, 228);
const QColor kAzulCielo(166, 202, 240);
const QColor kGranate(128, 0, 0);

const char* const kJornadas = "JORNADAS_ESCOLARES";
const char* const kTramos = "TRAMOS_HORARIOS";

// The system's inactive-caption text colour (the classic scheme's where there is no system).
QColor textoTituloInactivo() {
#ifdef Q_OS_WIN
    const COLORREF c = GetSysColor(COLOR_INACTIVECAPTIONTEXT);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
#else
    return QColor(212, 208, 200);
#endif
}

QFont fuente(const QString& familia, int pixeles, bool negrita) {
    QFont f(familia);
    f.setPixelSize(pixeles);
    f.setBold(negrita);
    return f;
}

// An item text as the document holds it (ANSI from the reader) for display and comparison.
QString textoDe(const std::string& ansi) {
    return QString::fromStdString(ansiToUtf8(ansi));
}

// The green tick of an OK-kind button.
QIcon glifoAceptar() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath tick;
    tick.moveTo(2.5, 8.5);
    tick.lineTo(6.5, 12.5);
    tick.lineTo(13.5, 3.5);
    painter.setPen(QPen(QColor(0, 128, 0), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(tick);
    return QIcon(pixmap);
}

QLabel* etiqueta(QWidget* parent, const char* nombre, const QRect& geometria, const QString& texto,
                 const QFont& letra, const QColor& color, bool ajustarLineas) {
    auto* label = new QLabel(texto, parent);
    label->setObjectName(QString::fromLatin1(nombre));
    label->setGeometry(geometria);
    label->setFont(letra);
    QPalette paleta = label->palette();
    paleta.setColor(QPalette::WindowText, color);
    label->setPalette(paleta);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(ajustarLineas);
    label->setAutoFillBackground(false);
    return label;
}

}  // namespace

TPlantillas::TPlantillas(QWidget* owner, std::filesystem::path archivoXml)
    : QDialog(owner),
      m_archivoXml(std::move(archivoXml)),
      m_documentoPlantillas(std::make_unique<XmlDocument>()) {
    setObjectName(QStringLiteral("Plantillas"));
    setWindowTitle(QStringLiteral("Plantillas Horarias"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(fuente(QStringLiteral("MS Sans Serif"), 11, false));
    // Button-face background; the colour, not the role, so children keep their text roles.
    QPalette fondo = palette();
    fondo.setColor(QPalette::Window, fondo.color(QPalette::Button));
    setPalette(fondo);
    setAutoFillBackground(true);
    crearControles();
    // Activation counts when it comes from another window of the program; the dialog's own
    // windows (its drop-down list, its error boxes) and other programs do not make it leave.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* ventana) {
        if (ventana != nullptr && !esDeEsteDialogo(ventana)) {
            m_fueraDelDialogo = true;
        }
    });
    resize(kTamanoExterior);
    move(kPosicionDisenada);
}

TPlantillas::~TPlantillas() = default;

void TPlantillas::crearControles() {
    m_Draw3D4 = new GradientPanel(kAzulCielo, Qt::white, textoTituloInactivo(), this);
    m_Draw3D4->setObjectName(QStringLiteral("Draw3D4"));
    m_Draw3D4->setGeometry(0, 0, 369, 233);
    m_Draw3D4->setBaseColor(Qt::green);  // lime
    m_Draw3D4->setProperty("helpContext", kAyudaPlantillas);
    m_Draw3D4->setFocusPolicy(Qt::NoFocus);
    QWidget* panel = m_Draw3D4;

    const QFont arial13 = fuente(QStringLiteral("Arial"), 13, true);
    const QFont arial16 = fuente(QStringLiteral("Arial"), 16, true);
    const QFont sansSerif11 = fuente(QStringLiteral("MS Sans Serif"), 11, true);
    const QColor textoVentana = palette().color(QPalette::WindowText);

    m_LabelPlantillas = etiqueta(
        panel, "LabelPlantillas", QRect(16, 2, 321, 33),
        QStringLiteral("Seleccione la Plantilla Horaria que quiere aplicar a su Horario en "
                       "Velkorin."),
        arial13, textoVentana, true);
    m_LabelPlanFec1 = etiqueta(panel, "LabelPlanFec1", QRect(9, 144, 120, 23), QStringLiteral("-"),
                               arial16, kGranate, true);
    m_LabelPlanFec2 = etiqueta(panel, "LabelPlanFec2", QRect(9, 176, 120, 23), QStringLiteral("-"),
                               arial16, kGranate, true);

    m_BitBtnContinuar = new QPushButton(glifoAceptar(), QStringLiteral("Continuar"), panel);
    m_BitBtnContinuar->setObjectName(QStringLiteral("BitBtnContinuar"));
    m_BitBtnContinuar->setGeometry(255, 203, 89, 25);
    m_BitBtnContinuar->setFont(sansSerif11);
    m_BitBtnContinuar->setDefault(true);
    m_BitBtnContinuar->setAutoDefault(true);
    m_BitBtnContinuar->setProperty("helpContext", kAyudaPlantillas);
    connect(m_BitBtnContinuar, &QPushButton::clicked, this, [this] {
        atender([this] { BitBtnContinuarClick(); });
        accept();
    });

    m_ComboBoxPlantilla = new QComboBox(panel);
    m_ComboBoxPlantilla->setObjectName(QStringLiteral("ComboBoxPlantilla"));
    m_ComboBoxPlantilla->setGeometry(8, 87, 81, 21);
    m_ComboBoxPlantilla->setEditable(true);
    m_ComboBoxPlantilla->setCompleter(nullptr);
    m_ComboBoxPlantilla->setInsertPolicy(QComboBox::NoInsert);
    m_ComboBoxPlantilla->setFont(sansSerif11);
    QPalette amarillo = m_ComboBoxPlantilla->palette();
    amarillo.setColor(QPalette::Base, Qt::yellow);
    amarillo.setColor(QPalette::Button, Qt::yellow);
    m_ComboBoxPlantilla->setPalette(amarillo);
    connect(m_ComboBoxPlantilla, &QComboBox::editTextChanged, this,
            [this] { atender([this] { ComboBoxPlantillaChange(); }); });

    m_LabelNombre = etiqueta(panel, "LabelNombre", QRect(9, 114, 120, 23), QStringLiteral("-"),
                             arial16, kGranate, true);

    m_ListBox1 = new QListWidget(panel);
    m_ListBox1->setObjectName(QStringLiteral("ListBox1"));
    m_ListBox1->setGeometry(152, 85, 193, 114);
    m_ListBox1->setUniformItemSizes(true);

    m_Label1 = etiqueta(panel, "Label1", QRect(215, 68, 67, 18), QStringLiteral("HORAS"), arial16,
                        kGranate, false);
    m_Label2 = etiqueta(
        panel, "Label2", QRect(16, 34, 321, 33),
        QStringLiteral("Las Horas de la Plantilla del día seleccionado, se propagarán sobre "
                       "todos los días de las Semana."),
        arial13, Qt::red, true);

    setTabOrder(m_BitBtnContinuar, m_ComboBoxPlantilla);
    setTabOrder(m_ComboBoxPlantilla, m_ListBox1);
    m_BitBtnContinuar->setFocus();
}

bool TPlantillas::esDeEsteDialogo(const QWindow* ventana) const {
    const QWindow* propia = windowHandle();
    for (const QWindow* w = ventana; w != nullptr;) {
        if (w == propia) {
            return true;
        }
        w = w->parent() != nullptr ? w->parent() : w->transientParent();
    }
    return false;
}

template <typename Handler>
void TPlantillas::atender(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        mostrarError(error.what());
    }
}

void TPlantillas::mostrarError(const std::string& texto) {
    const QString mensaje = QString::fromStdString(withFullStop(texto));
    QMessageBox caja(QMessageBox::Critical, QStringLiteral("Quorvane"), mensaje,
                     QMessageBox::NoButton, this);
    caja.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
    caja.exec();
}

void TPlantillas::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow()) {
        return;
    }
    activar();
}

void TPlantillas::activar() {
    if (!m_fueraDelDialogo) {
        return;
    }
    m_fueraDelDialogo = false;
    atender([this] { FormActivate(); });
}

void TPlantillas::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The designed size is the outer one; once the frame is known, the client gives way to it.
    if (!m_tamanoAjustado) {
        m_tamanoAjustado = true;
        const QSize marco = frameGeometry().size() - size();
        if (!marco.isEmpty()) {
            resize(kTamanoExterior - marco);
        }
        // A window manager that withholds the focus must not leave the dialog unfilled: the
        // first showing counts as its first activation if no activation has come by then.
        QTimer::singleShot(0, this, [this] {
            if (isVisible()) {
                activar();
            }
        });
    }
}

void TPlantillas::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        help::showContext(this, kAyudaPlantillas);
        return;
    }
    QDialog::keyPressEvent(event);
}

void TPlantillas::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TPlantillas::FormActivate() {
    m_documentoPlantillas = std::make_unique<XmlDocument>();
    m_documentoPlantillas->load(m_archivoXml);

    const std::vector<Registro> jornadas = registrosDe(*m_documentoPlantillas, kJornadas);
    {
        // The list is rebuilt silently; the change handler runs once, below.
        const QSignalBlocker bloqueo(m_ComboBoxPlantilla);
        if (jornadas.size() > 1) {
            m_ComboBoxPlantilla->clear();
            for (const Registro& jornada : jornadas) {
                m_ComboBoxPlantilla->addItem(textoDe(jornada.valorSinRecortar(0)));
                m_ComboBoxPlantilla->setItemData(m_ComboBoxPlantilla->count() - 1,
                                                 QSize(0, kAltoElemento), Qt::SizeHintRole);
            }
        }
        if (m_ComboBoxPlantilla->count() > 0) {
            m_ComboBoxPlantilla->setCurrentIndex(0);
            m_ComboBoxPlantilla->setEditText(m_ComboBoxPlantilla->itemText(0));
        }
    }
    ComboBoxPlantillaChange();
}

void TPlantillas::ComboBoxPlantillaChange() {
    const QString texto = m_ComboBoxPlantilla->currentText();

    const std::vector<Registro> jornadas = registrosDe(*m_documentoPlantillas, kJornadas);
    m_LabelNombre->setText(QStringLiteral("-"));
    m_LabelPlanFec1->setText(QStringLiteral("-"));
    m_LabelPlanFec2->setText(QStringLiteral("-"));
    if (jornadas.size() > 1) {
        // No early exit: with a repeated key the last record shows.
        for (const Registro& jornada : jornadas) {
            if (texto == textoDe(jornada.valorSinRecortar(0))) {
                m_LabelNombre->setText(textoDe(jornada.valorSinRecortar(1)));
                m_LabelPlanFec1->setText(textoDe(jornada.valorSinRecortar(2)));
                m_LabelPlanFec2->setText(textoDe(jornada.valorSinRecortar(3)));
            }
        }
    }

    const std::vector<Registro> tramos = registrosDe(*m_documentoPlantillas, kTramos);
    if (tramos.size() > 1) {
        m_ListBox1->clear();
        for (const Registro& tramo : tramos) {
            if (texto == textoDe(tramo.valorSinRecortar(4))) {
                auto* elemento = new QListWidgetItem(textoDe(tramo.valorSinRecortar(1)));
                elemento->setSizeHint(QSize(0, kAltoElemento));
                m_ListBox1->addItem(elemento);
            }
        }
    }
}

void TPlantillas::BitBtnContinuarClick() {
    FormClose();
}

void TPlantillas::FormClose() {
    PlantillaElegida = utf8ToAnsi(trimmed(m_ComboBoxPlantilla->currentText().toStdString()));
}

}  // namespace qv
