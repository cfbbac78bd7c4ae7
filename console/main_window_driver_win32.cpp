// The Win32 window's driver: the dialog manager's window, driven and read with the window
// system's own messages (BM_CLICK, WM_SETTEXT, LVM_SETITEMSTATE...), as an automation tool would.
// The simulated buses are Linux node simulators on the COM ports that scripts/wine/tests.sh
// maps and names in the environment.
#include <cstdlib>
#include <thread>

#include "console/dialog/win_app.h"
#include "console/main_window_driver.h"
#include "console/win32_test_support.h"

namespace {

std::string MenuText(HMENU menu, int position) {
    wchar_t text[64];
    const int length = ::GetMenuStringW(menu, static_cast<UINT>(position), text, 64, MF_BYPOSITION);
    return Narrow(std::wstring_view(text, static_cast<size_t>(length)));
}

const char* PortVariable(SimulatedBus bus) {
    switch (bus) {
        case SimulatedBus::None:
            return nullptr;
        case SimulatedBus::Session:
            return "VELKARO_WINDOW_TEST_PORT";
        case SimulatedBus::HangsUpAtAFrame:
            return "VELKARO_WINDOW_HANGUP_PORT";
        case SimulatedBus::AcceptanceCabinet:
            return "VELKARO_ACCEPTANCE_TEST_PORT";
        case SimulatedBus::AcceptanceCabinetForCutRuns:
            return "VELKARO_ACCEPTANCE_CUT_PORT";
        case SimulatedBus::AcceptanceCabinetHangingUp:
            return "VELKARO_ACCEPTANCE_HANGUP_PORT";
    }
    return nullptr;
}

std::string MappedPort(SimulatedBus bus) {
    const char* variable = PortVariable(bus);
    const char* port = variable != nullptr ? std::getenv(variable) : nullptr;
    return port != nullptr ? port : "";
}

// The tests run side by side, a process each, and some share a port: each waits for its turn
// at the port, which lasts as long as its window.
class PortTurn {
  public:
    explicit PortTurn(const std::string& port) {
        if (port.empty()) {
            return;
        }
        m_mutex = ::CreateMutexW(nullptr, FALSE, Wide("velkaro-test-port-" + port).c_str());
        // An abandoned turn (its process died) is handed on as well.
        if (m_mutex != nullptr && ::WaitForSingleObject(m_mutex, 90'000) == WAIT_TIMEOUT) {
            ::CloseHandle(m_mutex);
            m_mutex = nullptr;
        }
    }
    ~PortTurn() {
        if (m_mutex != nullptr) {
            ::ReleaseMutex(m_mutex);
            ::CloseHandle(m_mutex);
        }
    }
    PortTurn(const PortTurn&) = delete;
    PortTurn& operator=(const PortTurn&) = delete;
    bool Taken() const { return m_mutex != nullptr; }

  private:
    HANDLE m_mutex = nullptr;
};

PixelRect FromRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

std::chrono::milliseconds ProcessorTime() {
    FILETIME created{}, exited{}, kernel{}, user{};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return std::chrono::milliseconds((ticks(kernel) + ticks(user)) / 10'000);
}

// Handles the thread's messages as a window's message loop does, asleep in between, for `span`.
void RunMessageLoopFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    for (auto now = std::chrono::steady_clock::now(); now < end;
         now = std::chrono::steady_clock::now()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()),
                                    QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

// A top-level window of this process (other test programs may have theirs open).
HWND OwnWindowTitled(const std::string& title) {
    struct Search {
        std::string title;
        HWND found = nullptr;
    } search{title};
    ::EnumWindows(
        [](HWND hWnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD process = 0;
            ::GetWindowThreadProcessId(hWnd, &process);
            if (process == ::GetCurrentProcessId() && TextOf(hWnd) == s->title) {
                s->found = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void PressKey(HWND control, WPARAM key) {
    ::PostMessageW(control, WM_KEYDOWN, key, 0);
    ::PostMessageW(control, WM_KEYUP, key, 0);
}

}  // namespace

// Wine's clock counts processor time in 10 ms steps.
const std::chrono::milliseconds MainWindowDriver::kIdleProcessorLimit{100};

struct MainWindowDriver::Window {
    std::string port;
    PortTurn turn;  // outlasts the window, which closes the port as it ends
    CVelkaroDlg dlg;
    bool shown = false;

    explicit Window(std::string mapped) : port(std::move(mapped)), turn(port) {}

    HWND Handle() const { return dlg.GetSafeHwnd(); }
    HWND Item(int id) const { return ::GetDlgItem(Handle(), id); }
};

MainWindowDriver::MainWindowDriver(SimulatedBus bus)
    : m_window(std::make_unique<Window>(MappedPort(bus))) {
    if (bus != SimulatedBus::None && !m_window->turn.Taken()) {
        return;  // the test run mapped no port for it, or the port's turn never came
    }
    m_window->shown = m_window->dlg.Create();
    AfxGetApp()->m_pMainWnd = &m_window->dlg;
}

MainWindowDriver::~MainWindowDriver() {
    AfxGetApp()->m_pMainWnd = nullptr;
}

bool MainWindowDriver::Shown() const {
    return m_window->shown;
}

CVelkaroDlg& MainWindowDriver::Dlg() {
    return m_window->dlg;
}

std::string MainWindowDriver::BusPort() const {
    return m_window->port;
}

void MainWindowDriver::Click(int id) {
    ::Click(m_window->Item(id));
}

void MainWindowDriver::SetField(int id, const std::string& text) {
    ::SetText(m_window->Item(id), text);
}

std::string MainWindowDriver::Text(int id) const {
    return TextOf(m_window->Item(id));
}

bool MainWindowDriver::Enabled(int id) const {
    return ::IsWindowEnabled(m_window->Item(id));
}

bool MainWindowDriver::Checked(int id) const {
    return ::SendMessageW(m_window->Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool MainWindowDriver::Focused(int id) const {
    return ::GetFocus() == m_window->Item(id);
}

std::string MainWindowDriver::SelectedText(int id) const {
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageW(m_window->Item(id), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    const std::wstring text = Wide(Text(id));
    return end > start ? Narrow(std::wstring_view(text).substr(start, end - start)) : "";
}

void MainWindowDriver::SelectRow(int row) {
    LVITEMW selected{};
    selected.state = selected.stateMask = LVIS_SELECTED;
    ::SendMessageW(m_window->Item(IDC_LIST_NODES), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&selected));
}

void MainWindowDriver::SelectPort(const std::string& port) {
    HWND ports = m_window->Item(IDC_COMBO_PORT);
    const auto index = ::SendMessageW(ports, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(Wide(port).c_str()));
    if (index == CB_ERR) {
        ADD_FAILURE() << port << " is not in the port list";
        return;
    }
    ::SendMessageW(ports, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string MainWindowDriver::Title() const {
    return TextOf(m_window->Handle());
}

std::vector<std::string> MainWindowDriver::Log() const {
    return ListBoxLines(m_window->Item(IDC_LIST_LOG));
}

int MainWindowDriver::Rows() const {
    return static_cast<int>(::SendMessageW(m_window->Item(IDC_LIST_NODES), LVM_GETITEMCOUNT, 0, 0));
}

std::string MainWindowDriver::Cell(int row, int column) const {
    return ListViewCell(m_window->Item(IDC_LIST_NODES), row, column);
}

std::vector<MenuEntry> MainWindowDriver::SystemMenu() const {
    HMENU menu = ::GetSystemMenu(m_window->Handle(), FALSE);
    std::vector<MenuEntry> entries;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        entries.push_back(
            {::GetMenuItemID(menu, i), MenuText(menu, i), (info.fType & MFT_SEPARATOR) != 0});
    }
    return entries;
}

void MainWindowDriver::Command(int id) {
    ::SendMessageW(m_window->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void MainWindowDriver::SelectLogLine(int index) {
    ::SendMessageW(m_window->Item(IDC_LIST_LOG), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

PixelRect MainWindowDriver::Client() const {
    RECT client{};
    ::GetClientRect(m_window->Handle(), &client);
    return FromRect(client);
}

PixelRect MainWindowDriver::Placed(int id) const {
    RECT placed{};
    ::GetWindowRect(m_window->Item(id), &placed);
    ::MapWindowPoints(nullptr, m_window->Handle(), reinterpret_cast<POINT*>(&placed), 2);
    return FromRect(placed);
}

// The dialog manager converts the position and the size each on their own.
PixelRect MainWindowDriver::InPixels(const res::DialogRect& rect) const {
    RECT converted{rect.x, rect.y, rect.cx, rect.cy};
    ::MapDialogRect(m_window->Handle(), &converted);
    return {converted.left, converted.top, converted.right, converted.bottom};
}

void MainWindowDriver::SystemCommand(UINT command) {
    ::SendMessageW(m_window->Handle(), WM_SYSCOMMAND, command, 0);
}

void MainWindowDriver::PressHelp() {
    HELPINFO help{};
    help.cbSize = sizeof help;
    ::SendMessageW(m_window->Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
}

AboutBoxSeen MainWindowDriver::AboutBoxAfter(const std::function<void()>& open) {
    bool icon = false;
    auto box = AnswerNextBox(m_window->Handle(), IDOK, [&icon](HWND about) {
        icon = ::SendMessageW(::GetWindow(about, GW_CHILD), STM_GETICON, 0, 0) != 0;
    });
    open();
    const SeenBox seen = box.get();
    AboutBoxSeen about;
    about.found = seen.found;
    about.caption = seen.caption;
    // The icon, the label, the button.
    if (seen.controlTexts.size() == 3) {
        about.text = seen.controlTexts[1];
        about.button = seen.controlTexts[2];
    }
    about.icon = icon;
    about.blocksTheWindow = seen.ownerDisabled;
    return about;
}

std::uintptr_t MainWindowDriver::DragIcon() const {
    return static_cast<std::uintptr_t>(::SendMessageW(m_window->Handle(), WM_QUERYDRAGICON, 0, 0));
}

std::vector<std::uintptr_t> MainWindowDriver::WindowIcons() const {
    std::vector<std::uintptr_t> icons;
    for (WPARAM size : {WPARAM{ICON_BIG}, WPARAM{ICON_SMALL}}) {
        icons.push_back(
            static_cast<std::uintptr_t>(::SendMessageW(m_window->Handle(), WM_GETICON, size, 0)));
    }
    return icons;
}

bool MainWindowDriver::ServeUntil(const std::function<bool()>& done,
                                  std::chrono::milliseconds timeout) {
    return PumpUntil(done, static_cast<int>(timeout.count()));
}

std::chrono::milliseconds MainWindowDriver::IdleProcessorTime(std::chrono::milliseconds span) {
    const auto before = ProcessorTime();
    RunMessageLoopFor(span);
    return ProcessorTime() - before;
}

// The keys come from another thread, as the operator's do, once the modal window shows; after
// Enter has closed it, the Escape goes nowhere.
ModalEnterResult MainWindowDriver::RunModalPressingEnter(const std::string& maxOnTime) {
    CVelkaroDlg dlg;
    auto keys = std::async(std::launch::async, [maxOnTime] {
        // The window exists before its controls; it shows once they are all there.
        HWND window = nullptr;
        for (int i = 0; i < 1000 && !(window != nullptr && ::IsWindowVisible(window)); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            window = OwnWindowTitled("Velkaro");
        }
        HWND field = ::GetDlgItem(window, IDC_EDIT_MAX_ON_TIME);
        SetText(field, maxOnTime);
        PressKey(field, VK_RETURN);
        PressKey(field, VK_ESCAPE);
    });
    const INT_PTR result = dlg.DoModal();
    return {result, dlg.m_nMaxOnTime.load()};
}

void MainWindowDriver::Close() {
    AfxGetApp()->m_pMainWnd = nullptr;
    m_window.reset();
}
