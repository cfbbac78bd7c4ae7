// The window as a process: Ctrl-C and SIGTERM close it as its close box does.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <string>
#include <thread>
#include <vector>

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

// Started from a bare root shell: no login session, so no XDG_RUNTIME_DIR. The window makes a
// runtime folder of its own and has nothing to say on stderr.
TEST(WindowProcessTest, StartsQuietlyFromABareEnvironment) {
    ChildProcess window("/usr/bin/env", {"-i", "PATH=/usr/bin:/bin", "QT_QPA_PLATFORM=offscreen",
                                         VELKARO_WINDOW_PATH});
    ASSERT_TRUE(window.CatchesWithin(SIGTERM, 10s));
    // Time for the window to show and settle before it is closed.
    std::this_thread::sleep_for(500ms);
    kill(window.Pid(), SIGTERM);
    const auto status = window.AwaitEnd(5s);
    EXPECT_EQ(ExitCode(status), 0);
    EXPECT_EQ(window.Stdout(), "");
    EXPECT_EQ(window.Stderr(), "");
}

// An unknown language, by flag or by environment, is a usage error: told on stderr and in a box,
// which the stop signal closes as its close box would; the main window never opens.
TEST(WindowProcessTest, UnknownLanguageIsAUsageError) {
    const struct {
        std::vector<std::string> args;
        const char* stderrHas;
    } cases[] = {
        {{"QT_QPA_PLATFORM=offscreen", VELKARO_WINDOW_PATH, "--lang", "fr"},
         "--lang: 'fr' is neither zh nor en"},
        {{"QT_QPA_PLATFORM=offscreen", "VELKARO_LANG=de", VELKARO_WINDOW_PATH},
         "VELKARO_LANG: 'de' is neither zh nor en"},
    };
    for (const auto& c : cases) {
        ChildProcess window("/usr/bin/env", c.args);
        ASSERT_TRUE(window.CatchesWithin(SIGTERM, 10s));
        std::this_thread::sleep_for(500ms);
        kill(window.Pid(), SIGTERM);
        const auto status = window.AwaitEnd(5s);
        EXPECT_EQ(ExitCode(status), 2) << window.Stderr();
        EXPECT_NE(window.Stderr().find(c.stderrHas), std::string::npos) << window.Stderr();
    }
}

}  // namespace
