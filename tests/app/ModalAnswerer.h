#pragma once

#include <QElapsedTimer>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

class QWidget;

// Answers the modal dialogs and message boxes a test causes, one scripted action each, from a
// repeating timer, and records what it saw. Gives up after a time limit, so a box that never
// comes cannot hang the test.
class ModalAnswerer : public QObject {
    Q_OBJECT

public:
    using Action = std::function<void(QWidget*)>;

    struct Seen {
        QString className;
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons;
        bool waitCursor = false;
    };

    explicit ModalAnswerer(std::vector<Action> actions, int timeLimitMs = 15000);
    ~ModalAnswerer() override;

    // Presses a message box's only button, or accepts any other dialog.
    static Action press();
    // Selects PATH in the file dialog and confirms it.
    static Action chooseFile(const QString& path);
    // Cancels the dialog.
    static Action cancel();

    const std::vector<Seen>& seen() const { return m_seen; }
    bool timedOut() const { return m_timedOut; }
    // True once every scripted action has been used.
    bool done() const { return m_next >= m_actions.size(); }

private:
    void tick();

    std::vector<Action> m_actions;
    std::size_t m_next = 0;
    std::vector<Seen> m_seen;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QWidget* m_waitingFor = nullptr;
    QElapsedTimer m_waitClock;
    int m_timeLimitMs;
    bool m_timedOut = false;
};
