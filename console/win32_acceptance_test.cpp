// The acceptance dialog as Windows builds it, under wine, beyond the cases that both windows
// share (acceptance_cases_test.cpp): the window system's classes beneath it, and a close of the
// main window during a run as Velkaro.exe runs the window, modal, on a Linux node simulator on
// a COM port mapped to its pseudo-terminal (VELKARO_ACCEPTANCE_CLOSE_PORT): eight nodes with the
// lock of 03 jammed and node 05 silent.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

#include "console/VelkaroDlg.h"
#include "console/acceptance_test_support.h"
#include "console/dialog/win_app.h"
#include "console/message_box_recorder.h"
#include "console/win32_test_support.h"
#include "serial/serial.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kRunTimeoutMs = 30'000;
// The COM port that scripts/wine/tests.sh mapped for `variable`; empty when it did not.
std::string PortOf(const char* variable) {
    const char* port = std::getenv(variable);
    return port != nullptr ? port : "";
}

bool SelectPort(HWND ports, const std::string& port) {
    const auto index = ::SendMessageW(ports, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(Wide(port).c_str()));
    return index != CB_ERR &&
           ::SendMessageW(ports, CB_SETCURSEL, static_cast<WPARAM>(index), 0) == index;
}

class Win32AcceptanceTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create());
        AfxGetApp()->m_pMainWnd = &dlg;
    }
    void TearDown() override { AfxGetApp()->m_pMainWnd = nullptr; }

    HWND DialogItem(int id) const {
        return ::GetDlgItem(dlg.AcceptanceDialog()->GetSafeHwnd(), id);
    }

    CVelkaroDlg dlg;
};

// The window system's own dialog and list view beneath what the shared cases read.
TEST_F(Win32AcceptanceTest, OpensAsARealDialogFromTheTemplate) {
    ::SendMessageW(dlg.GetSafeHwnd(), WM_SYSCOMMAND, IDM_ACCEPTANCE, 0);
    ASSERT_NE(dlg.AcceptanceDialog(), nullptr);
    HWND window = dlg.AcceptanceDialog()->GetSafeHwnd();
    ASSERT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(ClassOf(window), "#32770");
    EXPECT_EQ(::GetWindow(window, GW_OWNER), dlg.GetSafeHwnd());
    EXPECT_EQ(ClassOf(DialogItem(IDC_LIST_RESULTS)), "SysListView32");
}

// The top-level window of `thread` that holds control `id`, visible; null if there is none.
HWND ThreadWindowWith(DWORD thread, int id) {
    struct Search {
        int id;
        HWND found = nullptr;
    } search{id};
    ::EnumThreadWindows(
        thread,
        [](HWND hWnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (::IsWindowVisible(hWnd) && ::GetDlgItem(hWnd, s->id) != nullptr) {
                s->found = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WaitFor(const std::function<bool()>& done) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kRunTimeoutMs);
    while (!done()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

struct CloseDuringRun {
    std::string failedAt;  // empty once the close went out during the run
    Clock::time_point closed;
};

// From another thread, as the operator does it with the mouse: open the port, start a run in
// the acceptance dialog, and once its first node is done, close the main window.
CloseDuringRun CloseTheWindowDuringARun(DWORD windowThread, const std::string& port) {
    CloseDuringRun run;
    HWND main = nullptr;
    HWND acceptance = nullptr;
    const auto lastLogLine = [&] {
        const Lines log = ListBoxLines(::GetDlgItem(main, IDC_LIST_LOG));
        return log.empty() ? std::string() : log.back();
    };
    if (!WaitFor([&] {
            return (main = ThreadWindowWith(windowThread, IDC_BTN_OPEN_PORT)) != nullptr;
        })) {
        run.failedAt = "the main window";
        return run;
    }
    SetText(::GetDlgItem(main, IDC_EDIT_MAX_ADDR), "07");
    if (!SelectPort(::GetDlgItem(main, IDC_COMBO_PORT), port)) {
        run.failedAt = "the port list";
    } else if (Click(::GetDlgItem(main, IDC_BTN_OPEN_PORT)),
               !WaitFor([&] { return lastLogLine() == "[串口已打开]"; })) {
        run.failedAt = "the port's opening";
    } else if (::SendMessageW(main, WM_SYSCOMMAND, IDM_ACCEPTANCE, 0),
               !(acceptance = ThreadWindowWith(windowThread, IDC_BTN_START))) {
        run.failedAt = "the acceptance dialog";
    } else if (Click(::GetDlgItem(acceptance, IDC_BTN_START)), !WaitFor([&] {
                   return ::SendMessageW(::GetDlgItem(acceptance, IDC_PROGRESS_NODES), PBM_GETPOS,
                                         0, 0) >= 1;
               })) {
        run.failedAt = "the run's first node";
    }
    run.closed = Clock::now();
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    return run;
}

// The window runs as Velkaro.exe runs it, modal; its close box ends the modal loop, and the
// window's end stops the run as it stops a transaction, then closes the port. The shared case
// ends a modeless window; this modal loop closed from the operator's thread is Win32's alone.
TEST(Win32AcceptanceCloseTest, ClosingTheMainWindowDuringARunStopsItAndClosesThePort) {
    const std::string port = PortOf("VELKARO_ACCEPTANCE_CLOSE_PORT");
    ASSERT_FALSE(port.empty()) << "scripts/wine/tests.sh maps the port";
    MessageBoxRecorder boxes;
    std::future<CloseDuringRun> operatorHand;
    Clock::time_point gone;
    {
        CVelkaroDlg dlg;
        AfxGetApp()->m_pMainWnd = &dlg;
        operatorHand =
            std::async(std::launch::async, CloseTheWindowDuringARun, ::GetCurrentThreadId(), port);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        AfxGetApp()->m_pMainWnd = nullptr;
    }
    gone = Clock::now();
    const CloseDuringRun run = operatorHand.get();
    ASSERT_EQ(run.failedAt, "");
    ExpectTheCloseEndedTheRun("close under wine", gone - run.closed, boxes);
}

}  // namespace
