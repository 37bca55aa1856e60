// Saves a PNG of an X window as the screen shows it: grab-window WINDOW-ID FILE.
// Grabs until two grabs in a row agree, so the picture is taken once painting has settled.
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <cstdio>

namespace {

constexpr int kDeadlineMilliseconds = 10000;
constexpr int kPollMilliseconds = 200;

QImage grab(WId window) {
    return QGuiApplication::primaryScreen()->grabWindow(window).toImage();
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: grab-window WINDOW-ID FILE\n");
        return 2;
    }
    bool valid = false;
    const WId window = QString::fromLocal8Bit(argv[1]).toULongLong(&valid, 0);
    if (!valid) {
        std::fprintf(stderr, "grab-window: not a window id: %s\n", argv[1]);
        return 2;
    }
    QDeadlineTimer deadline(kDeadlineMilliseconds);
    QImage previous = grab(window);
    for (;;) {
        QThread::msleep(kPollMilliseconds);
        const QImage current = grab(window);
        if (!current.isNull() && current == previous) {
            return current.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
        }
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "grab-window: the window did not settle\n");
            return 1;
        }
        previous = current;
    }
}
