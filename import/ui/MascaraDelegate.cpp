#include "import/ui/MascaraDelegate.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "import/ui/ProftModel.h"

namespace qv {

MascaraValidator::MascaraValidator(const char* mascara, QObject* parent)
    : QValidator(parent), m_mascara(mascara) {}

QValidator::State MascaraValidator::validate(QString& input, int& pos) const {
    const std::string texto = input.toStdString();
    const auto ajustado = m_mascara.ajustar(texto);
    if (!ajustado) {
        return Invalid;
    }
    if (*ajustado != texto) {
        // Literals were filled in before the cursor: it moves on by as many characters.
        const QString nuevo = QString::fromStdString(*ajustado);
        pos += static_cast<int>(nuevo.size() - input.size());
        input = nuevo;
    }
    if (ajustado->empty() || m_mascara.cumple(*ajustado)) {
        return Acceptable;
    }
    return Intermediate;
}

QWidget* MascaraDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    auto* linea = qobject_cast<QLineEdit*>(editor);
    if (linea && index.column() >= 0 && index.column() < static_cast<int>(columnasProft().size())) {
        const ColumnaProft& columna = columnasProft()[index.column()];
        linea->setMaxLength(columna.anchoCaracteres);
        if (columna.mascara) {
            linea->setValidator(new MascaraValidator(columna.mascara, linea));
        }
        linea->setObjectName(QString::fromUtf8(columna.campo));
    }
    return editor;
}

bool MascaraDelegate::eventFilter(QObject* object, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent*>(event)->key();
        if (tecla == Qt::Key_Return || tecla == Qt::Key_Enter) {
            auto* editor = qobject_cast<QWidget*>(object);
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::EditNextItem);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

}  // namespace qv
