#pragma once

#include <QColor>
#include <QWidget>

namespace qv {

// A window background: a three-colour linear gradient from top to bottom (start colour at the
// top edge, middle colour half way, end colour at the bottom edge), or a plain base colour
// while the gradient is switched off.
class GradientPanel : public QWidget {
    Q_OBJECT

public:
    GradientPanel(const QColor& start, const QColor& middle, const QColor& end,
                  QWidget* parent = nullptr);

    QColor startColor() const { return m_start; }
    QColor middleColor() const { return m_middle; }
    QColor endColor() const { return m_end; }

    // The colour painted while the gradient is off.
    void setBaseColor(const QColor& base);
    QColor baseColor() const { return m_base; }
    void setGradientVisible(bool visible);
    bool gradientVisible() const { return m_gradientVisible; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_start;
    QColor m_middle;
    QColor m_end;
    QColor m_base = Qt::lightGray;
    bool m_gradientVisible = true;
};

}  // namespace qv
