#pragma once

#include <memory>

#include "app/HostDocking.h"

class QWindow;

namespace qv {

// Docking into a real native window: checks with the window system that the window exists
// (nothing else would say so), then parents the main window's native window to it.
class NativeHostDocking : public HostDocking {
public:
    NativeHostDocking();
    ~NativeHostDocking() override;

    void dock(QWidget& form, quintptr host) override;
    bool isDocked() const override { return m_host != nullptr; }

private:
    // Outlives the docked window: the main window is destroyed before this object.
    std::unique_ptr<QWindow> m_host;
};

}  // namespace qv
