#pragma once

#include <QColor>
#include <QWidget>

namespace qv {

// A window background: a vertical three-colour linear gradient over a base colour that shows
// only where the gradient is switched off.
class PanelDegradado : public QWidget {
public:
    explicit PanelDegradado(QWidget* parent = nullptr);

    // Top, middle and bottom colours of the gradient.
    void setColores(const QColor& inicio, const QColor& medio, const QColor& fin);
    // The colour painted under the gradient.
    void setColorBase(const QColor& base);
    // Whether the gradient is painted at all.
    void setDegradadoVisible(bool visible);

    QColor colorInicio() const { return m_inicio; }
    QColor colorMedio() const { return m_medio; }
    QColor colorFin() const { return m_fin; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_inicio = Qt::white;
    QColor m_medio = Qt::white;
    QColor m_fin = Qt::white;
    QColor m_base = Qt::lightGray;
    bool m_visible = true;
};

}  // namespace qv
