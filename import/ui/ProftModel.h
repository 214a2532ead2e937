#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "import/MascaraPicture.h"
#include "services/Table.h"

namespace qv {

// One column of the teacher grid: field, width in characters, title, editable, picture mask.
struct ColumnaProft {
    const char* campo;
    int anchoCaracteres;
    const char* titulo;
    bool editable;
    const char* mascara;  // nullptr: none
};

// The four columns of the grid, in order.
const std::array<ColumnaProft, 4>& columnasProft();

// A model over an open PROFT table object, acting like a data set: the table's current row is
// the grid's current row, and edits go into that row until it is posted (written to the file)
// or cancelled. Other rows are shown from what was last read.
class ProftModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // TABLE must be open and outlive the model.
    explicit ProftModel(Table& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Puts the row in edit mode (moving to it first) and sets the field; not yet posted.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The current row, from 0; -1 when the table is empty.
    int filaActual() const { return m_actual; }
    // Makes ROW current, posting a modified row first (cancelling an unmodified one). False,
    // with error() set, when that post is refused; the position is then kept.
    bool moverA(int fila);
    // True while the current row is being edited or inserted into.
    bool editando() const;
    // True while the row being edited holds changes.
    bool modificado() const { return !m_modificados.empty(); }
    // The current row into edit mode (nothing when there is no row or it already is).
    void editar();
    // Writes the row being edited to the file. False, with error() set, when refused (a value
    // incomplete for its mask, or a table error); the row then stays in edit mode.
    bool grabar();
    // Drops the changes of the row being edited and shows it as stored.
    void cancelar();
    // Posts a modified row, cancels an unmodified one. False when the post is refused.
    bool terminarEdicion();
    // Re-reads every row from the file (what others posted included), keeping the position.
    bool refrescar();

    // The text of the last refusal (UTF-8).
    const QString& error() const { return m_error; }

signals:
    // The table's state or the current row changed (the navigator follows it).
    void estadoCambiado();

private:
    using Fila = std::array<std::string, 4>;  // ANSI, as the table gives it
    void leerTodo();
    Fila leerFilaActual() const;
    void avisar();

    Table& m_table;
    std::vector<Fila> m_filas;
    int m_actual = -1;
    std::vector<int> m_modificados;  // columns changed in the row being edited
    std::array<std::optional<MascaraPicture>, 4> m_mascaras;
    QString m_error;
};

}  // namespace qv
