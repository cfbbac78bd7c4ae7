// The acceptance dialog as Windows builds it, under wine, against Linux node simulators on COM
// ports mapped to their pseudo-terminals, each a cabinet of eight nodes with the lock of 03
// jammed and node 05 silent: the window's run (VELKARO_ACCEPTANCE_TEST_PORT), the same bus for
// velkaro-cli.exe (VELKARO_ACCEPTANCE_CLI_PORT), one for a close of the main window during a
// run (VELKARO_ACCEPTANCE_CLOSE_PORT) and one that hangs up as node 01's unlock arrives
// (VELKARO_ACCEPTANCE_HANGUP_PORT).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <nlohmann/json.hpp>

#include "console/VelkaroDlg.h"
#include "console/acceptance_test_support.h"
#include "console/dialog/win_app.h"
#include "console/file_dialog_recorder.h"
#include "console/message_box_recorder.h"
#include "console/win32_test_support.h"
#include "serial/serial.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kRunTimeoutMs = 30'000;
constexpr const char* kCabinet = "A-017 <b>&\"";
constexpr const char* kOperator = "张三";
// Stop, a close and a hang-up end a run within its current exchange, at most a node's unlock
// (interval 50 ms and the margin) or its query, and the turns of the window's event loop that
// show the result; the rest of the run would take some 0.55 s per node still to check.
constexpr auto kRunEndBound = 1500ms;

long long Milliseconds(Clock::duration span) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(span).count();
}

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

struct ProgramRun {
    int exitStatus = -1;  // -1: it did not start or did not end in time
    std::string output;   // standard output
    std::string errors;   // standard error
};

// Runs velkaro-cli.exe from beside this program, its standard output and error into files.
ProgramRun RunCommandLine(const std::string& arguments, const std::filesystem::path& dir) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path program =
        std::filesystem::path(self).parent_path() / "velkaro-cli.exe";
    std::wstring command = L"\"" + program.wstring() + L"\" " + Wide(arguments);
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const auto create = [&](const char* name) {
        return ::CreateFileW((dir / name).wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                             &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE output = create("cli.out");
    HANDLE errors = create("cli.err");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = errors;
    PROCESS_INFORMATION process{};
    ProgramRun run;
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                         &startup, &process)) {
        DWORD status = 0;
        if (::WaitForSingleObject(process.hProcess, kRunTimeoutMs) == WAIT_OBJECT_0 &&
            ::GetExitCodeProcess(process.hProcess, &status)) {
            run.exitStatus = static_cast<int>(status);
        }
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::CloseHandle(output);
    ::CloseHandle(errors);
    run.output = ReadFile(dir / "cli.out");
    run.errors = ReadFile(dir / "cli.err");
    return run;
}

// The time of the first line of a saved log that starts with `start`, in milliseconds of its
// day; -1 if there is none. A saved line: "2026-01-02 03:04:05.678", a tab, the text, CRLF.
long long SavedLineTime(const std::string& savedLog, const std::string& start) {
    for (const std::string& line : SplitLines(savedLog)) {
        if (line.size() > 24 && line.compare(24, start.size(), start) == 0) {
            const auto field = [&](size_t at, size_t length) {
                return std::stoll(line.substr(at, length));
            };
            return ((field(11, 2) * 60 + field(14, 2)) * 60 + field(17, 2)) * 1000 + field(20, 3);
        }
    }
    return -1;
}

class Win32AcceptanceTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create());
        AfxGetApp()->m_pMainWnd = &dlg;
        SetText(Item(IDC_EDIT_MAX_ADDR), "07");
    }
    void TearDown() override { AfxGetApp()->m_pMainWnd = nullptr; }

    HWND Item(int id) const { return ::GetDlgItem(dlg.GetSafeHwnd(), id); }
    HWND DialogItem(int id) const {
        return ::GetDlgItem(dlg.AcceptanceDialog()->GetSafeHwnd(), id);
    }
    std::string Cell(int row, int column) const {
        return ListViewCell(DialogItem(IDC_LIST_RESULTS), row, column);
    }
    // Selects the port mapped for `variable` and opens it.
    void OpenPort(const char* variable) {
        const std::string port = PortOf(variable);
        ASSERT_FALSE(port.empty()) << variable << ": scripts/wine/tests.sh maps the port";
        ASSERT_TRUE(SelectPort(Item(IDC_COMBO_PORT), port)) << port << " is not in the list";
        Click(Item(IDC_BTN_OPEN_PORT));
        ASSERT_TRUE(PumpUntil(
            [&] {
                const Lines log = ListBoxLines(Item(IDC_LIST_LOG));
                return !log.empty() && log.back() == "[串口已打开]";
            },
            kRunTimeoutMs));
    }
    // Ctrl+T as a dialog's message loop hands it on: through the message filter.
    void PressCtrlT() {
        BYTE keys[256];
        ::GetKeyboardState(keys);
        const BYTE control = keys[VK_CONTROL];
        keys[VK_CONTROL] = 0x80;
        ::SetKeyboardState(keys);
        MSG msg{dlg.GetSafeHwnd(), WM_KEYDOWN, 'T', 0, 0, {}};
        ::CallMsgFilterW(&msg, MSGF_DIALOGBOX);
        keys[VK_CONTROL] = control;
        ::SetKeyboardState(keys);
    }
    bool RunEnds() {
        return PumpUntil([&] { return !dlg.AcceptanceDialog()->Running(); }, kRunTimeoutMs);
    }
    bool ProgressReaches(int done) {
        return PumpUntil(
            [&] {
                return ::SendMessageW(DialogItem(IDC_PROGRESS_NODES), PBM_GETPOS, 0, 0) >= done;
            },
            kRunTimeoutMs);
    }

    MessageBoxRecorder boxes;
    CVelkaroDlg dlg;
};

TEST_F(Win32AcceptanceTest, CtrlTOpensARealDialogFromTheTemplate) {
    PressCtrlT();
    ASSERT_NE(dlg.AcceptanceDialog(), nullptr);
    HWND window = dlg.AcceptanceDialog()->GetSafeHwnd();
    ASSERT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(ClassOf(window), "#32770");
    EXPECT_EQ(::GetWindow(window, GW_OWNER), dlg.GetSafeHwnd());
    EXPECT_EQ(TextOf(window), "验收测试");
    EXPECT_EQ(ClassOf(DialogItem(IDC_PROGRESS_NODES)), "msctls_progress32");
    EXPECT_EQ(ClassOf(DialogItem(IDC_LIST_RESULTS)), "SysListView32");
    EXPECT_EQ(TextOf(DialogItem(IDC_EDIT_EXPECT)), "00-07");
    EXPECT_EQ(::SendMessageW(DialogItem(IDC_RADIO_MODE_EACH), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(TextOf(DialogItem(IDC_RADIO_MODE_GROUP)), "群体开锁");
    EXPECT_EQ(TextOf(DialogItem(IDC_BTN_SAVE_REPORT)), "保存报告...");
    EXPECT_FALSE(::IsWindowEnabled(DialogItem(IDC_BTN_STOP)));

    Click(DialogItem(IDCANCEL));
    EXPECT_FALSE(::IsWindowVisible(window));
    ::SendMessageW(dlg.GetSafeHwnd(), WM_SYSCOMMAND, IDM_ACCEPTANCE, 0);
    EXPECT_TRUE(::IsWindowVisible(window));
}

TEST_F(Win32AcceptanceTest, PromptsThenFocusOnTheFieldWithItsTextSelected) {
    ::SendMessageW(dlg.GetSafeHwnd(), WM_SYSCOMMAND, IDM_ACCEPTANCE, 0);
    ASSERT_NE(dlg.AcceptanceDialog(), nullptr);
    for (const AcceptancePromptCase& c : kAcceptancePromptCases) {
        boxes.requests.clear();
        SetText(DialogItem(c.field), c.text);
        Click(DialogItem(IDC_BTN_START));
        ASSERT_EQ(boxes.requests.size(), 1u) << c.name;
        EXPECT_EQ(boxes.requests[0].text, c.prompt);
        EXPECT_EQ(::GetFocus(), DialogItem(c.field));
        DWORD start = 0;
        DWORD end = 0;
        ::SendMessageW(DialogItem(c.field), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, std::string_view(c.text).size());
        SetText(DialogItem(c.field), c.field == IDC_EDIT_EXPECT ? "00-07" : "0");
    }
    // Valid fields, but no port open.
    boxes.requests.clear();
    Click(DialogItem(IDC_BTN_START));
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, "串口尚未打开");
    EXPECT_FALSE(dlg.AcceptanceDialog()->Running());
}

// One test holds the port: the tests run in parallel, each in a process of its own.
TEST_F(Win32AcceptanceTest, EightNodesWithAJammedLockAndASilentNodeFailAsOnTheCommandLine) {
    ASSERT_NO_FATAL_FAILURE(OpenPort("VELKARO_ACCEPTANCE_TEST_PORT"));
    ::SendMessageW(dlg.GetSafeHwnd(), WM_SYSCOMMAND, IDM_ACCEPTANCE, 0);
    SetText(DialogItem(IDC_EDIT_CABINET), kCabinet);
    SetText(DialogItem(IDC_EDIT_OPERATOR), kOperator);
    std::vector<int> progressSeen;
    Click(DialogItem(IDC_BTN_START));
    ASSERT_TRUE(dlg.AcceptanceDialog()->Running());
    Click(Item(IDC_BTN_GROUP_STATUS));
    EXPECT_EQ(g_bReqGroupStatus.load(), 0u) << "no flag while the run goes";
    ASSERT_TRUE(PumpUntil(
        [&] {
            const int done =
                static_cast<int>(::SendMessageW(DialogItem(IDC_PROGRESS_NODES), PBM_GETPOS, 0, 0));
            if (progressSeen.empty() || progressSeen.back() != done) {
                progressSeen.push_back(done);
            }
            return !dlg.AcceptanceDialog()->Running();
        },
        kRunTimeoutMs));

    HWND list = DialogItem(IDC_LIST_RESULTS);
    ASSERT_EQ(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 8);
    for (int row = 0; row < 8; ++row) {
        Lines cells;
        for (int column = 0; column < 7; ++column) {
            cells.push_back(Cell(row, column));
        }
        char address[3];
        std::snprintf(address, sizeof address, "%02X", row);
        if (row == 3) {
            EXPECT_EQ(cells, (Lines{address, "有", "闭", "闭", "--", "不合格", "开锁后锁仍为闭"}));
        } else if (row == 5) {
            EXPECT_EQ(cells, (Lines{address, "无", "--", "--", "--", "不合格", "扫描无应答"}));
        } else {
            EXPECT_EQ(cells, (Lines{address, "有", "闭", "开", "--", "合格", ""}));
        }
    }
    // The scan, then each of the seven nodes that answered it; the window may show two steps
    // at once when they come close together, but never goes back.
    HWND bar = DialogItem(IDC_PROGRESS_NODES);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 7);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 7);
    EXPECT_TRUE(std::is_sorted(progressSeen.begin(), progressSeen.end()));
    EXPECT_GE(progressSeen.size(), 4u) << "progress shown as the nodes finish, not at the end";
    EXPECT_EQ(TextOf(DialogItem(IDC_STATIC_VERDICT)), "不合格");
    EXPECT_EQ(TextOf(DialogItem(IDC_STATIC_SUMMARY)),
              "预期节点 8，合格 6，不合格 2，未验证 0，非预期节点 0");
    EXPECT_TRUE(boxes.requests.empty());
    const Lines windowLog = ListBoxLines(Item(IDC_LIST_LOG));

    // The three reports through the save dialog, then the same bus from velkaro-cli.exe.
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("velkaro-win32-acceptance-" + std::to_string(::GetCurrentProcessId()));
    std::filesystem::create_directories(dir);
    const std::string formats[] = {"json", "csv", "html"};
    {
        FileDialogRecorder answers;
        for (const std::string& format : formats) {
            answers.answer = (dir / ("window." + format)).string();
            Click(DialogItem(IDC_BTN_SAVE_REPORT));
        }
    }
    const std::string cliPort = PortOf("VELKARO_ACCEPTANCE_CLI_PORT");
    ASSERT_FALSE(cliPort.empty()) << "scripts/wine/tests.sh maps the command line's port";
    std::string arguments = "--port " + cliPort +
                            " --max-addr 07 commission --expect 00-07 --cabinet \"A-017 <b>&\\\"\""
                            " --operator " +
                            kOperator;
    for (const std::string& format : formats) {
        arguments += " --report \"" + (dir / ("cli." + format)).string() + "\"";
    }
    const ProgramRun cli = RunCommandLine(arguments, dir);
    EXPECT_EQ(cli.exitStatus, 6) << cli.errors;
    for (const std::string& format : formats) {
        const std::string window = ReadFile(dir / ("window." + format));
        ASSERT_FALSE(window.empty()) << format;
        EXPECT_EQ(NormalisedReport(window, PortOf("VELKARO_ACCEPTANCE_TEST_PORT"), AfxGetAppName()),
                  NormalisedReport(ReadFile(dir / ("cli." + format)), cliPort, "velkaro-cli"))
            << format;
    }
    const nlohmann::json report = nlohmann::json::parse(ReadFile(dir / "window.json"));
    EXPECT_EQ(report["cabinet"], kCabinet);
    EXPECT_EQ(report["operator"], kOperator);

    EXPECT_TRUE(expected_log::LogMatches(windowLog, EightNodeRunLog()));
    ExpectTheCommandLinesLog(windowLog, cli.output);
    std::filesystem::remove_all(dir);

    // A second run, stopped after its first node: it ends at its next transaction, incomplete,
    // and the port stays open.
    Click(DialogItem(IDC_BTN_START));
    ASSERT_TRUE(ProgressReaches(1));
    const auto stopped = Clock::now();
    Click(DialogItem(IDC_BTN_STOP));
    ASSERT_TRUE(RunEnds());
    const auto stopTook = Clock::now() - stopped;
    std::printf("stop under wine: the run's result shown %lld ms after the click\n",
                Milliseconds(stopTook));
    EXPECT_LT(stopTook, kRunEndBound);
    EXPECT_FALSE(dlg.AcceptanceDialog()->Result()->Complete());
    EXPECT_EQ(TextOf(DialogItem(IDC_STATIC_SUMMARY)).rfind("测试未完成（已停止）", 0), 0u);
    EXPECT_EQ(TextOf(DialogItem(IDC_STATIC_VERDICT)), "不合格");
    EXPECT_EQ(ListBoxLines(Item(IDC_LIST_LOG)).back(), "[--验收测试未完成--]");
    EXPECT_NE(g_hComm, kInvalidSerialHandle);
    EXPECT_EQ(TextOf(Item(IDC_BTN_OPEN_PORT)), "关闭串口");
    EXPECT_EQ(g_bReqAcceptance.load(), 0u);

    Click(Item(IDC_BTN_OPEN_PORT));
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
    EXPECT_TRUE(boxes.requests.empty());
}

// The pseudo-terminal behind the port closes as node 01's unlock arrives, as when the adapter
// is pulled out during the run.
TEST_F(Win32AcceptanceTest, AHangUpEndsTheRunMarkedIncompleteAndClosesThePortWithOneBox) {
    ASSERT_NO_FATAL_FAILURE(OpenPort("VELKARO_ACCEPTANCE_HANGUP_PORT"));
    ::SendMessageW(dlg.GetSafeHwnd(), WM_SYSCOMMAND, IDM_ACCEPTANCE, 0);
    Click(DialogItem(IDC_BTN_START));
    // Node 00 checked: its query's reply ends that, and node 01's unlock follows at once.
    ASSERT_TRUE(ProgressReaches(1));
    const auto firstNodeDone = Clock::now();
    ASSERT_TRUE(RunEnds());
    const auto shownAfter = Clock::now() - firstNodeDone;
    ASSERT_TRUE(PumpUntil([] { return !PortWorkerRunning(); }, kRunTimeoutMs));
    EXPECT_LT(shownAfter, kRunEndBound);

    // The log's times are the worker's, taken as it wrote each line: from the frame that the
    // port went away on to the run's last line.
    const std::filesystem::path saved =
        std::filesystem::temp_directory_path() /
        ("velkaro-win32-hang-up-" + std::to_string(::GetCurrentProcessId()) + ".log");
    {
        FileDialogRecorder answers;
        answers.answer = saved.string();
        ::SendMessageW(dlg.GetSafeHwnd(), WM_COMMAND, IDM_LOG_SAVE, 0);
    }
    const std::string savedLog = ReadFile(saved);
    std::filesystem::remove(saved);
    const long long lastFrame = SavedLineTime(savedLog, "->串口发送:A5,01,01,");
    const long long runEnd = SavedLineTime(savedLog, "[--验收测试未完成--]");
    ASSERT_GE(lastFrame, 0) << savedLog;
    ASSERT_GE(runEnd, lastFrame) << savedLog;
    std::printf("hang-up under wine: the run ended %lld ms after node 01's unlock went out\n",
                runEnd - lastFrame);
    EXPECT_LT(std::chrono::milliseconds(runEnd - lastFrame), kRunEndBound);

    ASSERT_TRUE(dlg.AcceptanceDialog()->Result().has_value());
    EXPECT_EQ(dlg.AcceptanceDialog()->Result()->end, AcceptanceEnd::PortGone);
    EXPECT_EQ(TextOf(DialogItem(IDC_STATIC_SUMMARY)).rfind("测试未完成（串口已断开）", 0), 0u);
    EXPECT_EQ(TextOf(DialogItem(IDC_STATIC_VERDICT)), "不合格");
    EXPECT_EQ(Cell(0, 5), "合格");
    EXPECT_EQ(Cell(1, 5), "未验证");
    EXPECT_TRUE(::IsWindowEnabled(DialogItem(IDC_BTN_START)));
    EXPECT_FALSE(::IsWindowEnabled(DialogItem(IDC_BTN_STOP)));

    // The port closed, as any port that goes away is, with its one box.
    const Lines log = ListBoxLines(Item(IDC_LIST_LOG));
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(Lines(log.end() - 3, log.end()),
              (Lines{"[--验收测试未完成--]", "[串口已断开]", "[串口已关闭]"}));
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, "串口已断开");
    EXPECT_EQ(TextOf(Item(IDC_BTN_OPEN_PORT)), "打开串口");
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
    EXPECT_EQ(g_bReqAcceptance.load(), 0u);
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
// window's end stops the run as it stops a transaction, then closes the port.
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
    const auto closeTook = gone - run.closed;
    std::printf("close under wine: the window gone and its port closed %lld ms after the close\n",
                Milliseconds(closeTook));
    EXPECT_LT(closeTook, kRunEndBound);
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
    EXPECT_FALSE(PortWorkerRunning());
    EXPECT_EQ(g_bReqAcceptance.load(), 0u);
    EXPECT_TRUE(boxes.requests.empty());
}

}  // namespace
