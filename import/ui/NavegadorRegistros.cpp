#include "import/ui/NavegadorRegistros.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

namespace qv {

namespace {

struct DefinicionBoton {
    const char* nombre;
    const char* texto;
    const char* hint;
};

constexpr std::array<DefinicionBoton, NavegadorRegistros::kBotones> kDefiniciones{{
    {"nbFirst", "|◀", "Move to first record"},
    {"nbPriorPage", "◀◀", "Move backward 10 records"},
    {"nbPrior", "◀", "Move to prior record"},
    {"nbNext", "▶", "Move to next record"},
    {"nbNextPage", "▶▶", "Move forward 10 records"},
    {"nbLast", "▶|", "Move to last record"},
    {"nbEdit", "✎", "Edit current record"},
    {"nbPost", "✔", "Post changes of current record"},
    {"nbCancel", "✖", "Cancel changes made to current record"},
    {"nbRefresh", "↻", "Refresh the contents of the dataset"},
}};

}  // namespace

NavegadorRegistros::NavegadorRegistros(QWidget* parent) : QWidget(parent) {
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(0, 0, 0, 0);
    fila->setSpacing(0);
    for (int i = 0; i < kBotones; ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromUtf8(kDefiniciones[i].nombre));
        b->setText(QString::fromUtf8(kDefiniciones[i].texto));
        b->setToolTip(QString::fromUtf8(kDefiniciones[i].hint));
        // The grid keeps the focus, so pressing a button neither posts nor leaves it.
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(500);
        b->setAutoRepeatInterval(100);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        const auto boton = static_cast<Boton>(i);
        connect(b, &QToolButton::clicked, this, [this, boton] { emit pulsado(boton); });
        fila->addWidget(b);
        m_botones[i] = b;
    }
    m_botones[Post]->setEnabled(false);
    m_botones[Cancel]->setEnabled(false);
}

void NavegadorRegistros::actualizar(bool hayFilas, bool alPrincipio, bool alFinal, bool editando) {
    const bool atras = hayFilas && !alPrincipio;
    const bool adelante = hayFilas && !alFinal;
    m_botones[First]->setEnabled(atras);
    m_botones[PriorPage]->setEnabled(atras);
    m_botones[Prior]->setEnabled(atras);
    m_botones[Next]->setEnabled(adelante);
    m_botones[NextPage]->setEnabled(adelante);
    m_botones[Last]->setEnabled(adelante);
    m_botones[Edit]->setEnabled(hayFilas && !editando);
    m_botones[Post]->setEnabled(editando);
    m_botones[Cancel]->setEnabled(editando);
    m_botones[Refresh]->setEnabled(true);
}

}  // namespace qv
