#pragma once

#include <QStyledItemDelegate>
#include <QValidator>

#include "import/MascaraPicture.h"

namespace qv {

// Holds a line edit to a picture mask while typing: characters that can never fit are refused,
// the literals the person skips are filled in. An empty text is acceptable.
class MascaraValidator : public QValidator {
    Q_OBJECT

public:
    MascaraValidator(const char* mascara, QObject* parent = nullptr);
    State validate(QString& input, int& pos) const override;

private:
    MascaraPicture m_mascara;
};

// The grid's delegate: editors for the masked columns, and Enter leaving a cell like Tab.
class MascaraDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* editor, QEvent* event) override;
};

}  // namespace qv
