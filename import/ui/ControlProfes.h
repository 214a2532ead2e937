#pragma once

#include <QDialog>

#include <filesystem>
#include <memory>

class QLabel;
class QPushButton;
class QTableView;

namespace qv {

class Table;
class ProftModel;
class NavegadorRegistros;
class GradientPanel;

// Shows the teacher data dialog over PROFT.DBF in CARPETATRABAJO, modally, owned by OWNER.
// Every posted row goes straight into the file.
void controlarProfesores(QWidget* owner, const std::filesystem::path& carpetaTrabajo);

// The teacher data dialog: PROFT in an editable grid (X_EMPLEADO and F_TOMAPOS), a record
// navigator and "Salir". Opens the table shared when created and closes it when destroyed.
class TControlProfesores : public QDialog {
    Q_OBJECT

public:
    TControlProfesores(QWidget* owner, const std::filesystem::path& carpetaTrabajo);
    ~TControlProfesores() override;

    QTableView* rejilla() const { return m_grid; }
    ProftModel* modelo() const { return m_model.get(); }
    NavegadorRegistros* navegador() const { return m_navegador; }

protected:
    void reject() override;
    void showEvent(QShowEvent* event) override;

private:
    void construirTextos();
    void construirRejilla();
    void ProftDBGridEnter();
    void ProftDBGridExit();
    void BitBtn1Click();
    void confirmarEditor();
    void navegar(int boton);
    void filaCambiada(const QModelIndex& actual, const QModelIndex& anterior);
    void seguirEstado();
    void mostrarRechazo();
    bool dentroDeRejilla(const QWidget* w) const;

    std::unique_ptr<Table> m_table;
    std::unique_ptr<ProftModel> m_model;
    GradientPanel* m_fondo = nullptr;
    QTableView* m_grid = nullptr;
    NavegadorRegistros* m_navegador = nullptr;
    QPushButton* m_salir = nullptr;
    QMetaObject::Connection m_foco;
    bool m_cerrando = false;
    bool m_avisando = false;
    bool m_volviendo = false;
};

}  // namespace qv
