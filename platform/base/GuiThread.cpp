#include "GuiThread.h"

#include <QCoreApplication>
#include <QThread>

namespace gui_thread {

void assertOnGuiThread([[maybe_unused]] const char* operation) {
#ifdef QUILLET_CHECK_THREAD
    const QCoreApplication* application = QCoreApplication::instance();
    if (application != nullptr && QThread::currentThread() != application->thread()) {
        qFatal("%s called off the GUI thread", operation);
    }
#endif
}

bool isChecked() {
#ifdef QUILLET_CHECK_THREAD
    return true;
#else
    return false;
#endif
}

} // namespace gui_thread
