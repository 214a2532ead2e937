#include "export/ui/PanelDegradado.h"

#include <QLinearGradient>
#include <QPainter>

namespace qv {

PanelDegradado::PanelDegradado(QWidget* parent) : QWidget(parent) {
    // Everything is painted here; nothing underneath needs to show through.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PanelDegradado::setColores(const QColor& inicio, const QColor& medio, const QColor& fin) {
    m_inicio = inicio;
    m_medio = medio;
    m_fin = fin;
    update();
}

void PanelDegradado::setColorBase(const QColor& base) {
    m_base = base;
    update();
}

void PanelDegradado::setDegradadoVisible(bool visible) {
    m_visible = visible;
    update();
}

void PanelDegradado::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_visible) {
        painter.fillRect(rect(), m_base);
        return;
    }
    QLinearGradient degradado(0, 0, 0, height());
    degradado.setColorAt(0.0, m_inicio);
    degradado.setColorAt(0.5, m_medio);
    degradado.setColorAt(1.0, m_fin);
    painter.fillRect(rect(), degradado);
}

}  // namespace qv
