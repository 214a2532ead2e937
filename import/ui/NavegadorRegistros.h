#pragma once

#include <QWidget>

#include <array>

class QToolButton;

namespace qv {

// A record navigator of ten buttons (first, prior page, prior, next, next page, last, edit,
// post, cancel, refresh), each with its hint; the owner enables them from the data set's state.
class NavegadorRegistros : public QWidget {
    Q_OBJECT

public:
    enum Boton { First, PriorPage, Prior, Next, NextPage, Last, Edit, Post, Cancel, Refresh };
    static constexpr int kBotones = 10;

    explicit NavegadorRegistros(QWidget* parent = nullptr);

    QToolButton* boton(Boton b) const { return m_botones[b]; }
    // Enables the buttons: movement by position, Edit in browse state, Post and Cancel while
    // editing.
    void actualizar(bool hayFilas, bool alPrincipio, bool alFinal, bool editando);

signals:
    void pulsado(qv::NavegadorRegistros::Boton boton);

private:
    std::array<QToolButton*, kBotones> m_botones{};
};

}  // namespace qv
