#include <QApplication>

#include "app/MainForm.h"
#include "app/NativeHostDocking.h"
#include "services/Paths.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane"));
    qv::Session session(qv::workFolder(), qv::programFolder());
    qv::NativeHostDocking docking;
    qv::TMForm form(session, QCoreApplication::arguments().mid(1), docking);
    form.show();
    // An embedded run may have closed the window at its first showing, before the loop starts.
    return form.wasClosed() ? 0 : app.exec();
}
