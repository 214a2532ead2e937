#pragma once

#include <QtGlobal>

class QWidget;

namespace qv {

// Makes the main window a borderless child of a window of another program (the embedded mode).
class HostDocking {
public:
    virtual ~HostDocking() = default;

    // Docks FORM into the native window HOST; throws qv::Error when there is no such window.
    virtual void dock(QWidget& form, quintptr host) = 0;
    // True once a dock succeeded. A docked window is no top-level window, so closing it does
    // not end the event loop by itself.
    virtual bool isDocked() const = 0;
};

}  // namespace qv
