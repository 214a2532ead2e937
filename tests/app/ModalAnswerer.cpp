#include "ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>

ModalAnswerer::ModalAnswerer(std::vector<Action> actions, int timeLimitMs)
    : m_actions(std::move(actions)), m_timeLimitMs(timeLimitMs) {
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::tick);
    m_timer.start(20);
    m_clock.start();
}

ModalAnswerer::~ModalAnswerer() = default;

ModalAnswerer::Action ModalAnswerer::press() {
    return [](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            const auto buttons = box->buttons();
            if (!buttons.isEmpty()) {
                buttons.first()->click();
                return;
            }
        }
        if (auto* dialog = qobject_cast<QDialog*>(w)) {
            dialog->accept();
        }
    };
}

ModalAnswerer::Action ModalAnswerer::chooseFile(const QString& path) {
    return [path](QWidget* w) {
        if (auto* dialog = qobject_cast<QFileDialog*>(w)) {
            // Typed into the file name field, as a person would; selectFile() with a full
            // path only selects its folder in the widget-based dialog.
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                name->setText(path);
            }
            // accept() is protected in QFileDialog; QDialog's slot reaches its override.
            static_cast<QDialog*>(dialog)->accept();
        } else if (auto* other = qobject_cast<QDialog*>(w)) {
            other->reject();
        }
    };
}

ModalAnswerer::Action ModalAnswerer::cancel() {
    return [](QWidget* w) {
        if (auto* dialog = qobject_cast<QDialog*>(w)) {
            dialog->reject();
        }
    };
}

void ModalAnswerer::tick() {
    QWidget* w = QApplication::activeModalWidget();
    if (m_clock.elapsed() > m_timeLimitMs) {
        // Past the limit every box is cancelled at once, so the test ends and reports it.
        m_timedOut = true;
        if (auto* dialog = qobject_cast<QDialog*>(w)) {
            dialog->reject();
        }
        return;
    }
    if (w == nullptr || !w->isVisible()) {
        return;
    }
    // A person answers a window once it has come up and taken the focus (dialogs fill
    // themselves when activated); one that never gets it is answered after a short wait.
    if (w != m_waitingFor) {
        m_waitingFor = w;
        m_waitClock.start();
    }
    if (!w->isActiveWindow() && m_waitClock.elapsed() < 1000) {
        return;
    }
    m_waitingFor = nullptr;
    Seen s;
    s.className = QString::fromLatin1(w->metaObject()->className());
    s.title = w->windowTitle();
    s.waitCursor = QApplication::overrideCursor() != nullptr;
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
        s.text = box->text();
        s.icon = box->icon();
        for (QAbstractButton* b : box->buttons()) {
            s.buttons << b->text();
        }
    }
    m_seen.push_back(s);
    // Past the script every further box is pressed, so the run still ends; the test sees it.
    const Action action = m_next < m_actions.size() ? m_actions[m_next] : press();
    ++m_next;
    action(w);
}
