// The window as a process: Ctrl-C and SIGTERM close it as its close box does.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include "process/testing/child_process.h"

namespace {

using namespace std::chrono_literals;

TEST(WindowProcessTest, StopSignalClosesTheWindowAsItsCloseBoxDoes) {
    ASSERT_EQ(setenv("QT_QPA_PLATFORM", "offscreen", 1), 0);
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        ChildProcess window(VELKARO_WINDOW_PATH, {});
        // Caught once the application is up; the close then waits for the window's loop.
        ASSERT_TRUE(window.CatchesWithin(signal, 10s));
        const auto signalled = std::chrono::steady_clock::now();
        kill(window.Pid(), signal);
        const auto status = window.AwaitEnd(5s);
        EXPECT_LE(std::chrono::steady_clock::now() - signalled, 2s);
        EXPECT_EQ(ExitCode(status), 0) << window.Stderr();
    }
}

}  // namespace
