#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>

#include "app/QtUserPort.h"
#include "services/CommandLine.h"
#include "services/Session.h"

class QFileDialog;
class QLabel;
class QPushButton;

namespace qv {

class GradientPanel;
class HostDocking;

// The main window MForm: one button per direction, "&Salir" and "F1 Ayuda". Its creation decides
// the run mode; its first showing starts the run an embedded start asks for; closing it in
// embedded mode hands ResultadoTraspaso to the host through Velkorin.ini.
class TMForm : public QWidget {
    Q_OBJECT

public:
    // ARGUMENTS without the program name. SESSION and DOCKING outlive the window.
    TMForm(Session& session, const QStringList& arguments, HostDocking& docking,
           QWidget* parent = nullptr);
    ~TMForm() override;

    // The first showing runs FormShow before the window appears; a run that closes the window
    // there leaves it unshown.
    void setVisible(bool visible) override;

    // True once the window has been closed (by the user or by a run).
    bool wasClosed() const { return m_closed; }
    Session& session() { return m_session; }

    // The run handlers of BExportar and BImportar; the embedded start calls them directly.
    void BExportarClick();
    void BImportarClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void FormCreate();
    void FormShow();
    // Writes the result code to the host's INI file; false when it could not (reported).
    bool FormClose();
    void Button1Click();

    Session& m_session;
    CommandLine m_commandLine;
    HostDocking& m_docking;

    GradientPanel* m_draw3D1 = nullptr;
    GradientPanel* m_draw3D2 = nullptr;
    GradientPanel* m_draw3D3 = nullptr;
    QLabel* m_label1 = nullptr;
    QLabel* m_label3 = nullptr;
    QLabel* m_label4 = nullptr;
    QPushButton* m_bExportar = nullptr;
    QPushButton* m_bImportar = nullptr;
    QPushButton* m_bClose = nullptr;
    QPushButton* m_button1 = nullptr;
    QFileDialog* m_openDialogXML = nullptr;
    std::unique_ptr<QtUserPort> m_port;

    bool m_shown = false;
    bool m_closed = false;
};

}  // namespace qv
