#include "widgets/GradientPanel.h"

#include <QLinearGradient>
#include <QPainter>

namespace qv {

GradientPanel::GradientPanel(const QColor& start, const QColor& middle, const QColor& end,
                             QWidget* parent)
    : QWidget(parent), m_start(start), m_middle(middle), m_end(end) {
    // Everything is painted here; nothing underneath needs to show through.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GradientPanel::setBaseColor(const QColor& base) {
    m_base = base;
    update();
}

void GradientPanel::setGradientVisible(bool visible) {
    m_gradientVisible = visible;
    update();
}

void GradientPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_gradientVisible) {
        painter.fillRect(rect(), m_base);
        return;
    }
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0.0, m_start);
    gradient.setColorAt(0.5, m_middle);
    gradient.setColorAt(1.0, m_end);
    painter.fillRect(rect(), gradient);
}

}  // namespace qv
