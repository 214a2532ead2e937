#include "import/ui/ProftModel.h"

#include <QFont>

#include <algorithm>

#include "services/Error.h"
#include "services/Text.h"

namespace qv {

namespace {

QString aQt(const std::string& ansi) {
    return QString::fromStdString(ansiToUtf8(ansi));
}

}  // namespace

const std::array<ColumnaProft, 4>& columnasProft() {
    static const std::array<ColumnaProft, 4> columnas{{
        {"ABREV", 4, "ABREV", false, nullptr},
        {"NOMBRE", 40, "NOMBRE", false, nullptr},
        {"X_EMPLEADO", 10, "X_EMPLEADO", true, "#*#"},
        {"F_TOMAPOS", 10, "F_TOMAPOS", true, "##/##/####"},
    }};
    return columnas;
}

ProftModel::ProftModel(Table& table, QObject* parent)
    : QAbstractTableModel(parent), m_table(table) {
    for (std::size_t c = 0; c < columnasProft().size(); ++c) {
        if (columnasProft()[c].mascara) {
            m_mascaras[c].emplace(columnasProft()[c].mascara);
        }
    }
    leerTodo();
}

void ProftModel::leerTodo() {
    m_filas.clear();
    for (m_table.first(); !m_table.eof(); m_table.next()) {
        m_filas.push_back(leerFilaActual());
    }
    m_table.first();
    m_actual = m_filas.empty() ? -1 : 0;
}

ProftModel::Fila ProftModel::leerFilaActual() const {
    Fila fila;
    for (std::size_t c = 0; c < fila.size(); ++c) {
        fila[c] = m_table.asString(columnasProft()[c].campo);
    }
    return fila;
}

int ProftModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_filas.size());
}

int ProftModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columnasProft().size());
}

QVariant ProftModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        return aQt(m_filas[index.row()][index.column()]);
    }
    return {};
}

QVariant ProftModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return QString::fromUtf8(columnasProft()[section].titulo);
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

Qt::ItemFlags ProftModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && columnasProft()[index.column()].editable) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

bool ProftModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable)) {
        return false;
    }
    if (index.row() != m_actual && !moverA(index.row())) {
        return false;
    }
    const std::string ansi = utf8ToAnsi(value.toString().toStdString());
    if (ansi == m_filas[m_actual][index.column()] && !editando()) {
        return true;
    }
    try {
        editar();
        m_table.setString(columnasProft()[index.column()].campo, ansi);
    } catch (const Error& e) {
        m_error = QString::fromStdString(e.what());
        return false;
    }
    m_filas[m_actual][index.column()] = ansi;
    if (std::find(m_modificados.begin(), m_modificados.end(), index.column()) ==
        m_modificados.end()) {
        m_modificados.push_back(index.column());
    }
    emit dataChanged(index, index);
    avisar();
    return true;
}

bool ProftModel::editando() const {
    const TableState s = m_table.state();
    return s == TableState::Edit || s == TableState::Insert;
}

void ProftModel::editar() {
    if (m_actual < 0 || editando()) {
        return;
    }
    m_table.edit();
    m_modificados.clear();
    avisar();
}

bool ProftModel::grabar() {
    if (!editando()) {
        return true;
    }
    // Only what the person typed is held to its mask; stored values are left as they are.
    for (int c : m_modificados) {
        const std::string& valor = m_filas[m_actual][c];
        if (m_mascaras[c] && !valor.empty() && !m_mascaras[c]->cumple(valor)) {
            m_error = QStringLiteral("El valor '%1' de %2 no cumple la máscara %3")
                          .arg(aQt(valor), QString::fromUtf8(columnasProft()[c].campo),
                               QString::fromStdString(m_mascaras[c]->texto()));
            return false;
        }
    }
    try {
        m_table.post();
    } catch (const Error& e) {
        m_error = QString::fromStdString(e.what());
        return false;
    }
    m_modificados.clear();
    m_filas[m_actual] = leerFilaActual();
    emit dataChanged(index(m_actual, 0), index(m_actual, columnCount() - 1));
    avisar();
    return true;
}

void ProftModel::cancelar() {
    if (!editando()) {
        return;
    }
    m_table.cancel();
    m_modificados.clear();
    m_filas[m_actual] = leerFilaActual();
    emit dataChanged(index(m_actual, 0), index(m_actual, columnCount() - 1));
    avisar();
}

bool ProftModel::terminarEdicion() {
    if (!editando()) {
        return true;
    }
    if (modificado()) {
        return grabar();
    }
    cancelar();
    return true;
}

bool ProftModel::moverA(int fila) {
    if (m_filas.empty()) {
        return true;
    }
    fila = std::clamp(fila, 0, rowCount() - 1);
    if (!terminarEdicion()) {
        return false;
    }
    if (fila != m_actual) {
        m_table.setRecNo(fila + 1);
        m_actual = fila;
        avisar();
    }
    return true;
}

bool ProftModel::refrescar() {
    if (!terminarEdicion()) {
        return false;
    }
    const int fila = m_actual;
    beginResetModel();
    leerTodo();
    endResetModel();
    if (fila > 0 && !m_filas.empty()) {
        m_actual = std::min(fila, rowCount() - 1);
        m_table.setRecNo(m_actual + 1);
    }
    avisar();
    return true;
}

void ProftModel::avisar() {
    emit estadoCambiado();
}

}  // namespace qv
