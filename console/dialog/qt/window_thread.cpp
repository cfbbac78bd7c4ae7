#include "console/dialog/window_thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

// The application object lives on the window's thread; calls queued to it run there.
void PostToWindowThread(std::function<void()> op) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(op), Qt::QueuedConnection);
}

void PostToWindowThreadAfter(std::chrono::milliseconds delay, std::function<void()> op) {
    QTimer::singleShot(delay, QCoreApplication::instance(), std::move(op));
}

void ServeWindowsUntil(const std::function<bool()>& done) {
    if (done()) {
        return;
    }
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(kServePollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    poll.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}
