#include "app/NativeHostDocking.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <string>

#include "services/Error.h"

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(QUORVANE_HAVE_XCB)
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace qv {

namespace {

std::string hostName(quintptr host) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%llX", static_cast<unsigned long long>(host));
    return std::string("$") + digits;
}

// Whether the window system knows the window. Where it cannot be asked, QWindow::fromWinId's
// own answer is all there is.
bool hostExists(quintptr host) {
#if defined(Q_OS_WIN)
    return IsWindow(reinterpret_cast<HWND>(host)) != 0;
#elif defined(QUORVANE_HAVE_XCB)
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return true;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return false;
    }
    xcb_connection_t* connection = x11->connection();
    xcb_generic_error_t* error = nullptr;
    xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, static_cast<xcb_window_t>(host)), &error);
    const bool exists = reply != nullptr && error == nullptr;
    std::free(reply);
    std::free(error);
    return exists;
#else
    (void)host;
    return true;
#endif
}

}  // namespace

NativeHostDocking::NativeHostDocking() = default;

NativeHostDocking::~NativeHostDocking() = default;

void NativeHostDocking::dock(QWidget& form, quintptr host) {
    if (host == 0 || !hostExists(host)) {
        throw Error("No se encuentra la ventana anfitriona " + hostName(host));
    }
    std::unique_ptr<QWindow> foreign(QWindow::fromWinId(static_cast<WId>(host)));
    if (!foreign) {
        throw Error("No se encuentra la ventana anfitriona " + hostName(host));
    }
    form.setWindowFlags(form.windowFlags() | Qt::FramelessWindowHint);
    form.winId();
    form.windowHandle()->setParent(foreign.get());
    form.move(0, 0);
    m_host = std::move(foreign);
}

}  // namespace qv
