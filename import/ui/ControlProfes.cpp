#include "import/ui/ControlProfes.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTableView>
#include <QTimer>

#include "help/AppHelp.h"
#include "import/ui/MascaraDelegate.h"
#include "import/ui/NavegadorRegistros.h"
#include "import/ui/ProftModel.h"
#include "services/Table.h"
#include "widgets/GradientPanel.h"

namespace qv {

namespace {

constexpr int kContextoAyuda = 1;
constexpr int kSaltoDePagina = 10;

// Turns Enter into Tab on the grid when no cell is being edited (the editor's Enter is the
// delegate's).
class EnterComoTab : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* tecla = static_cast<QKeyEvent*>(event);
            if (tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter) {
                QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
                QCoreApplication::sendEvent(object, &tab);
                return true;
            }
        }
        return QObject::eventFilter(object, event);
    }
};

QLabel* etiqueta(QWidget* parent, const char* nombre, const char* texto, const QColor& color) {
    auto* label = new QLabel(QString::fromUtf8(texto), parent);
    label->setObjectName(QString::fromUtf8(nombre));
    label->setWordWrap(true);
    QFont fuente = label->font();
    fuente.setBold(true);
    label->setFont(fuente);
    QPalette paleta = label->palette();
    paleta.setColor(QPalette::WindowText, color);
    label->setPalette(paleta);
    return label;
}

}  // namespace

void controlarProfesores(QWidget* owner, const std::filesystem::path& carpetaTrabajo) {
    auto dialogo = std::make_unique<TControlProfesores>(owner, carpetaTrabajo);
    dialogo->exec();
}

TControlProfesores::TControlProfesores(QWidget* owner, const std::filesystem::path& carpetaTrabajo)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("ControlProfesores"));
    setWindowTitle(QStringLiteral("Control de Profesores"));
    setFixedSize(754, 499);
    move(201, 221);

    m_table = std::make_unique<Table>(carpetaTrabajo, "proft.dbf", "wwTableProft");
    m_table->open(OpenMode::Shared);
    m_model = std::make_unique<ProftModel>(*m_table);

    m_fondo = new GradientPanel(QApplication::palette().color(QPalette::Window),
                                QColor(240, 251, 255), QColor(0, 255, 255), this);
    m_fondo->setObjectName(QStringLiteral("Draw3D1"));
    m_fondo->setGeometry(0, 0, 754, 499);

    construirRejilla();
    construirTextos();

    auto* ayuda = new QShortcut(QKeySequence(Qt::Key_F1), this);
    ayuda->setContext(Qt::WindowShortcut);
    connect(ayuda, &QShortcut::activated, this,
            [this] { help::showContext(this, kContextoAyuda); });

    m_foco =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* antes, QWidget* ahora) {
            const bool estaba = dentroDeRejilla(antes);
            const bool esta = dentroDeRejilla(ahora);
            if (!estaba && esta) {
                ProftDBGridEnter();
            } else if (estaba && !esta) {
                ProftDBGridExit();
            }
        });
    seguirEstado();
}

TControlProfesores::~TControlProfesores() {
    disconnect(m_foco);
    // The view goes before the model it shows.
    delete m_grid;
    m_grid = nullptr;
}

void TControlProfesores::construirRejilla() {
    m_navegador = new NavegadorRegistros(m_fondo);
    m_navegador->setObjectName(QStringLiteral("wwDBNavigator1"));
    m_navegador->setGeometry(258, 36, 240, 25);
    connect(m_navegador, &NavegadorRegistros::pulsado, this,
            [this](NavegadorRegistros::Boton b) { navegar(b); });

    m_grid = new QTableView(m_fondo);
    m_grid->setObjectName(QStringLiteral("ProftDBGrid"));
    m_grid->setGeometry(8, 64, 490, 433);
    m_grid->setModel(m_model.get());
    m_grid->setItemDelegate(new MascaraDelegate(m_grid));
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                            QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_grid->setTabKeyNavigation(true);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_grid->setAlternatingRowColors(true);
    m_grid->verticalHeader()->hide();
    m_grid->installEventFilter(new EnterComoTab(m_grid));
    m_grid->setStyleSheet(QStringLiteral(
        "QTableView { background-color: rgb(240, 251, 255);"
        " alternate-background-color: rgb(207, 217, 254); }"
        "QHeaderView::section { background-color: rgb(254, 228, 169); font-weight: bold;"
        " padding-left: 3px; border: 0px; border-right: 1px solid gray;"
        " border-bottom: 1px solid gray; }"));

    QHeaderView* titulos = m_grid->horizontalHeader();
    titulos->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titulos->setHighlightSections(false);
    QFont negrita = m_grid->font();
    negrita.setBold(true);
    const QFontMetrics medidasTitulo(negrita);
    titulos->setFixedHeight(2 * medidasTitulo.height() + 6);
    const QFontMetrics medidas(m_grid->font());
    for (int c = 0; c < static_cast<int>(columnasProft().size()); ++c) {
        const ColumnaProft& columna = columnasProft()[c];
        const int datos = medidas.averageCharWidth() * columna.anchoCaracteres;
        const int titulo = medidasTitulo.horizontalAdvance(QString::fromUtf8(columna.titulo));
        m_grid->setColumnWidth(c, std::max(datos, titulo) + 10);
    }

    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TControlProfesores::filaCambiada);
    connect(m_model.get(), &ProftModel::estadoCambiado, this, &TControlProfesores::seguirEstado);
    if (m_model->rowCount() > 0) {
        m_grid->setCurrentIndex(m_model->index(0, 2));
    }
}

void TControlProfesores::construirTextos() {
    auto* label1 = etiqueta(m_fondo, "Label1", "CONTROL DE DATOS DE LOS PROFESORES", Qt::black);
    QFont grande = label1->font();
    grande.setPointSizeF(grande.pointSizeF() * 1.5);
    label1->setFont(grande);
    label1->setAutoFillBackground(true);
    QPalette amarillo = label1->palette();
    amarillo.setColor(QPalette::Window, Qt::yellow);
    label1->setPalette(amarillo);
    label1->setWordWrap(false);
    label1->adjustSize();
    label1->move(8, 6);

    constexpr int x = 510;
    constexpr int ancho = 236;
    int y = 8;
    auto colocar = [&](QLabel* label, int margen) {
        const int alto = label->heightForWidth(ancho);
        label->setGeometry(x, y, ancho, alto > 0 ? alto : label->sizeHint().height());
        y += label->height() + margen;
    };

    auto* label3 = etiqueta(m_fondo, "Label3", "INCIDENCIAS EN EL TRASPASO", Qt::red);
    QFont subrayada = label3->font();
    subrayada.setUnderline(true);
    label3->setFont(subrayada);
    label3->setAlignment(Qt::AlignCenter);
    label3->setAutoFillBackground(true);
    QPalette salmon = label3->palette();
    salmon.setColor(QPalette::Window, QColor(240, 202, 166));
    label3->setPalette(salmon);
    label3->setMinimumHeight(24);
    label3->setGeometry(x, y, ancho, 24);
    y += 24 + 12;

    colocar(etiqueta(m_fondo, "Label2",
                     "Se ha detectado que existe algún Profesor sin todos los datos necesarios. "
                     "(Seguramente hayan sido creados directamente desde VelkoRin.)      Para "
                     "poder realizar correctamente la integración del Horario en ONDIVIA, "
                     "deberán asignarlos en esta rejilla. ",
                     QColor(0, 0, 128)),
            14);
    colocar(etiqueta(m_fondo, "Label4",
                     "Los Profesores deberán estar creados previamente en ONDIVIA, con los mismos "
                     "Datos de X_EMPLEADO y F_TOMAPOS. ",
                     Qt::red),
            14);
    colocar(etiqueta(m_fondo, "Label5",
                     "ONDIVIA, dispone de un proceso mediante el cual pueden obtener la "
                     "información de estos 2 datos mencionados. ",
                     QColor(0, 128, 0)),
            14);
    colocar(etiqueta(m_fondo, "Label6",
                     "Después de haber introducido los datos que faltan, pulsando \"Salir\", se "
                     "reiniciará el proceso.",
                     QColor(0, 0, 128)),
            20);

    m_salir = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                              QStringLiteral("Salir"), m_fondo);
    m_salir->setObjectName(QStringLiteral("BitBtn1"));
    QFont negrita = m_salir->font();
    negrita.setBold(true);
    m_salir->setFont(negrita);
    m_salir->setGeometry(x + (ancho - 89) / 2, std::max(y, 440), 89, 25);
    connect(m_salir, &QPushButton::clicked, this, &TControlProfesores::BitBtn1Click);
}

void TControlProfesores::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_grid->setFocus(Qt::OtherFocusReason);
}

bool TControlProfesores::dentroDeRejilla(const QWidget* w) const {
    return w && m_grid && (w == m_grid || m_grid->isAncestorOf(w));
}

void TControlProfesores::ProftDBGridEnter() {
    if (!m_model->editando()) {
        m_model->editar();
    }
}

void TControlProfesores::ProftDBGridExit() {
    if (m_cerrando || m_avisando) {
        return;
    }
    if (m_model->editando() && !m_model->terminarEdicion()) {
        mostrarRechazo();
    }
}

void TControlProfesores::confirmarEditor() {
    const QModelIndex actual = m_grid->currentIndex();
    if (QWidget* editor = m_grid->indexWidget(actual)) {
        m_grid->itemDelegate()->setModelData(editor, m_model.get(), actual);
    }
}

void TControlProfesores::BitBtn1Click() {
    // Leaving the grid posts the row; a refused value keeps the dialog open.
    confirmarEditor();
    m_salir->setFocus(Qt::OtherFocusReason);
    if (m_model->editando() && !m_avisando) {
        ProftDBGridExit();
    }
    if (m_model->editando() && m_model->modificado()) {
        return;
    }
    accept();
}

void TControlProfesores::reject() {
    // Escape and the title bar: an edit that has not been posted is dropped.
    m_cerrando = true;
    QDialog::reject();
}

void TControlProfesores::navegar(int boton) {
    // What is typed in an open cell belongs to the row the button acts on.
    if (boton != NavegadorRegistros::Cancel) {
        confirmarEditor();
    }
    const int fila = m_model->filaActual();
    bool hecho = true;
    switch (static_cast<NavegadorRegistros::Boton>(boton)) {
        case NavegadorRegistros::First:
            hecho = m_model->moverA(0);
            break;
        case NavegadorRegistros::PriorPage:
            hecho = m_model->moverA(fila - kSaltoDePagina);
            break;
        case NavegadorRegistros::Prior:
            hecho = m_model->moverA(fila - 1);
            break;
        case NavegadorRegistros::Next:
            hecho = m_model->moverA(fila + 1);
            break;
        case NavegadorRegistros::NextPage:
            hecho = m_model->moverA(fila + kSaltoDePagina);
            break;
        case NavegadorRegistros::Last:
            hecho = m_model->moverA(m_model->rowCount() - 1);
            break;
        case NavegadorRegistros::Edit:
            m_model->editar();
            break;
        case NavegadorRegistros::Post:
            hecho = m_model->grabar();
            break;
        case NavegadorRegistros::Cancel:
            m_model->cancelar();
            break;
        case NavegadorRegistros::Refresh:
            hecho = m_model->refrescar();
            break;
    }
    if (!hecho) {
        mostrarRechazo();
    }
    if (m_model->filaActual() >= 0) {
        const int columna = std::max(0, m_grid->currentIndex().column());
        m_volviendo = true;
        m_grid->setCurrentIndex(m_model->index(m_model->filaActual(), columna));
        m_volviendo = false;
    }
    seguirEstado();
}

void TControlProfesores::filaCambiada(const QModelIndex& actual, const QModelIndex& anterior) {
    if (m_volviendo || !actual.isValid()) {
        return;
    }
    if (!m_model->moverA(actual.row())) {
        m_volviendo = true;
        m_grid->setCurrentIndex(anterior);
        m_volviendo = false;
        mostrarRechazo();
    }
}

void TControlProfesores::seguirEstado() {
    const int fila = m_model->filaActual();
    const int filas = m_model->rowCount();
    m_navegador->actualizar(filas > 0, fila <= 0, fila >= filas - 1, m_model->editando());
}

void TControlProfesores::mostrarRechazo() {
    const QString texto = m_model->error();
    QTimer::singleShot(0, this, [this, texto] {
        m_avisando = true;
        QMessageBox caja(QMessageBox::Critical, QStringLiteral("Quorvane"), texto, QMessageBox::Ok,
                         this);
        caja.setObjectName(QStringLiteral("RechazoDeValor"));
        caja.button(QMessageBox::Ok)->setText(QStringLiteral("Aceptar"));
        caja.exec();
        m_avisando = false;
        m_grid->setFocus(Qt::OtherFocusReason);
    });
}

}  // namespace qv
