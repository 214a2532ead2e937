#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>
#include <string>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QWindow;

namespace qv {

class GradientPanel;
class XmlDocument;

// The hour template dialog (form Plantillas of the unit Plantihoras): lists the school days
// of the exchange document, shows the selected one's name, dates and time-slot labels, and
// hands its key back in PlantillaElegida whichever way it closes. It reads the document itself.
class TPlantillas : public QDialog {
    Q_OBJECT

public:
    // ARCHIVOXML names the exchange document, loaded again at every activation.
    TPlantillas(QWidget* owner, std::filesystem::path archivoXml);
    ~TPlantillas() override;

    // The selected school-day key: the combo box text trimmed, in ANSI.
    std::string PlantillaElegida;

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Every way of closing ends here (button, close box, system menu, Escape).
    void done(int result) override;

private:
    void crearControles();
    // Runs one handler; its error is shown and the dialog stays open.
    template <typename Handler>
    void atender(Handler&& handler);
    void mostrarError(const std::string& texto);
    // Runs FormActivate when the dialog comes back from outside (see m_fueraDelDialogo).
    void activar();
    // The dialog's own window, or one of its children or transient windows (its message boxes,
    // the combo box's list).
    bool esDeEsteDialogo(const QWindow* ventana) const;

    void FormActivate();
    void ComboBoxPlantillaChange();
    void BitBtnContinuarClick();
    void FormClose();

    std::filesystem::path m_archivoXml;
    std::unique_ptr<XmlDocument> m_documentoPlantillas;
    // True until the first activation, and again once a window of the program that is not part
    // of this dialog has had the focus. Coming back from the dialog's own error box must not
    // load the document again (that would raise the same error in a loop), nor coming back
    // from its drop-down list (that would undo the choice just made).
    bool m_fueraDelDialogo = true;
    bool m_tamanoAjustado = false;

    GradientPanel* m_Draw3D4 = nullptr;
    QLabel* m_LabelPlantillas = nullptr;
    QLabel* m_LabelPlanFec1 = nullptr;
    QLabel* m_LabelPlanFec2 = nullptr;
    QPushButton* m_BitBtnContinuar = nullptr;
    QComboBox* m_ComboBoxPlantilla = nullptr;
    QLabel* m_LabelNombre = nullptr;
    QListWidget* m_ListBox1 = nullptr;
    QLabel* m_Label1 = nullptr;
    QLabel* m_Label2 = nullptr;
};

}  // namespace qv
