#pragma once

#include <QColor>
#include <QWidget>

namespace qv {

// A background panel painting a linear gradient through three colours, top to bottom.
class PanelDegradado : public QWidget {
    Q_OBJECT

public:
    PanelDegradado(QColor inicio, QColor medio, QColor fin, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_inicio;
    QColor m_medio;
    QColor m_fin;
};

}  // namespace qv
