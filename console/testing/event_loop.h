// Runs the Qt window's event loop from a test, a benchmark or a picture-taking program, so that
// the worker's window operations are served as they come; the operator's input, simulated by
// the caller, is handled too.
#pragma once

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>

#include "console/dialog/window_thread.h"

// Serves the event loop until done() holds or the timeout has passed; whether done() holds.
inline bool ServeEventLoopUntil(std::chrono::milliseconds timeout,
                                const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    check.start(kServePollMs);
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}
