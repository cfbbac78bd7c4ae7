#include "console/dialog/window_thread.h"

#include <future>

void AfxRunOnWindowThread(const std::function<void()>& op) {
    if (AfxIsWindowThread()) {
        op();
        return;
    }
    std::promise<void> ran;
    AfxPostToWindowThread([&] {
        op();
        ran.set_value();
    });
    ran.get_future().wait();
}
