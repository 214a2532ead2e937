#include "import/ui/PanelDegradado.h"

#include <QLinearGradient>
#include <QPainter>

namespace qv {

PanelDegradado::PanelDegradado(QColor inicio, QColor medio, QColor fin, QWidget* parent)
    : QWidget(parent), m_inicio(inicio), m_medio(medio), m_fin(fin) {}

void PanelDegradado::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient degradado(rect().topLeft(), rect().bottomLeft());
    degradado.setColorAt(0.0, m_inicio);
    degradado.setColorAt(0.5, m_medio);
    degradado.setColorAt(1.0, m_fin);
    painter.fillRect(rect(), degradado);
}

}  // namespace qv
