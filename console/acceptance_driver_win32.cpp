// The Win32 acceptance dialog's driver: the dialog manager's window driven and read with the
// window system's own messages; the command line is velkaro-cli.exe from beside this program,
// on the COM port that scripts/wine/tests.sh maps to a cabinet of its own
// (VELKARO_ACCEPTANCE_CLI_PORT).
#include <cstdlib>

#include "console/acceptance_driver.h"
#include "console/text_file_test_support.h"
#include "console/win32_test_support.h"

namespace {

constexpr DWORD kCommandLineTimeoutMs = 30'000;

// One argument as the program's start-up code splits its command line: backslashes double
// only before a quote.
std::wstring CommandLineWord(const std::string& text) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : Wide(text)) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        quoted += c;
        backslashes = 0;
    }
    return quoted.append(backslashes * 2, L'\\') + L"\"";
}

HWND DialogItem(CAcceptanceDlg* dialog, int id) {
    return ::GetDlgItem(dialog->GetSafeHwnd(), id);
}

// The positions a progress bar is set to, kept on the bar while it is watched.
constexpr wchar_t kShownProperty[] = L"VelkaroTestProgressShown";
constexpr wchar_t kProcedureProperty[] = L"VelkaroTestProgressProcedure";

LRESULT CALLBACK WatchedProgressProcedure(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* shown = static_cast<std::vector<int>*>(::GetPropW(bar, kShownProperty));
    if (message == PBM_SETPOS && shown != nullptr) {
        const int position = static_cast<int>(wParam);
        if (shown->empty() || shown->back() != position) {
            shown->push_back(position);
        }
    }
    const auto procedure = reinterpret_cast<WNDPROC>(::GetPropW(bar, kProcedureProperty));
    return ::CallWindowProcW(procedure, bar, message, wParam, lParam);
}

}  // namespace

struct AcceptanceDriver::Watch {
    HWND bar = nullptr;
    std::vector<int> shown;
    ~Watch() {
        if (::IsWindow(bar)) {
            ::SetWindowLongPtrW(bar, GWLP_WNDPROC,
                                reinterpret_cast<LONG_PTR>(::GetPropW(bar, kProcedureProperty)));
            ::RemovePropW(bar, kProcedureProperty);
            ::RemovePropW(bar, kShownProperty);
        }
    }
};

AcceptanceDriver::AcceptanceDriver(SimulatedBus bus) : m_main(bus) {
    PrepareTheMainWindow(m_main, bus);
}

AcceptanceDriver::~AcceptanceDriver() = default;

// As a dialog's message loop hands the key on: through the message filter, with the control
// key down.
void AcceptanceDriver::PressCtrlT() {
    BYTE keys[256];
    ::GetKeyboardState(keys);
    const BYTE control = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    MSG msg{m_main.Dlg().GetSafeHwnd(), WM_KEYDOWN, 'T', 0, 0, {}};
    ::CallMsgFilterW(&msg, MSGF_DIALOGBOX);
    keys[VK_CONTROL] = control;
    ::SetKeyboardState(keys);
}

void AcceptanceDriver::OpenFromTheSystemMenu() {
    m_main.SystemCommand(IDM_ACCEPTANCE);
}

bool AcceptanceDriver::Visible() {
    return Dialog() != nullptr && ::IsWindowVisible(Dialog()->GetSafeHwnd());
}

std::string AcceptanceDriver::Title() {
    return TextOf(Dialog()->GetSafeHwnd());
}

void AcceptanceDriver::Click(int id) {
    ::Click(DialogItem(Dialog(), id));
}

void AcceptanceDriver::SetField(int id, const std::string& text) {
    ::SetText(DialogItem(Dialog(), id), text);
}

std::string AcceptanceDriver::Text(int id) {
    return TextOf(DialogItem(Dialog(), id));
}

bool AcceptanceDriver::Enabled(int id) {
    return ::IsWindowEnabled(DialogItem(Dialog(), id));
}

bool AcceptanceDriver::Checked(int id) {
    return ::SendMessageW(DialogItem(Dialog(), id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool AcceptanceDriver::Focused(int id) {
    return ::GetFocus() == DialogItem(Dialog(), id);
}

std::string AcceptanceDriver::SelectedText(int id) {
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageW(DialogItem(Dialog(), id), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    const std::wstring text = Wide(Text(id));
    return end > start ? Narrow(text.substr(start, end - start)) : "";
}

bool AcceptanceDriver::HasProgressBar(int id) {
    return ClassOf(DialogItem(Dialog(), id)) == "msctls_progress32";
}

int AcceptanceDriver::Progress() {
    return static_cast<int>(
        ::SendMessageW(DialogItem(Dialog(), IDC_PROGRESS_NODES), PBM_GETPOS, 0, 0));
}

int AcceptanceDriver::ProgressMaximum() {
    return static_cast<int>(
        ::SendMessageW(DialogItem(Dialog(), IDC_PROGRESS_NODES), PBM_GETRANGE, FALSE, 0));
}

// The bar's own window procedure sees every position it is set to.
void AcceptanceDriver::WatchProgress() {
    m_watch = std::make_unique<Watch>();
    HWND bar = DialogItem(Dialog(), IDC_PROGRESS_NODES);
    ::SetPropW(bar, kShownProperty, &m_watch->shown);
    ::SetPropW(bar, kProcedureProperty,
               reinterpret_cast<HANDLE>(::SetWindowLongPtrW(
                   bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchedProgressProcedure))));
    m_watch->bar = bar;
}

std::vector<int> AcceptanceDriver::ProgressShown() const {
    return m_watch ? m_watch->shown : std::vector<int>{};
}

int AcceptanceDriver::Rows() {
    return static_cast<int>(
        ::SendMessageW(DialogItem(Dialog(), IDC_LIST_RESULTS), LVM_GETITEMCOUNT, 0, 0));
}

std::string AcceptanceDriver::Cell(int row, int column) {
    return ListViewCell(DialogItem(Dialog(), IDC_LIST_RESULTS), row, column);
}

// The colour that the dialog paints the label with, and the size of the label's font.
VerdictLook AcceptanceDriver::Verdict() {
    HWND label = DialogItem(Dialog(), IDC_STATIC_VERDICT);
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SendMessageW(Dialog()->GetSafeHwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(label));
    const COLORREF color = ::GetTextColor(dc);
    const int pixelsPerInch = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::DeleteDC(dc);
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0)), sizeof font,
                 &font);
    return {GetRValue(color), GetGValue(color), GetBValue(color),
            ::MulDiv(std::abs(font.lfHeight), 72, pixelsPerInch)};
}

CommandLineRun AcceptanceDriver::RunCommandLine(const std::vector<std::string>& arguments,
                                                const std::filesystem::path& dir) {
    CommandLineRun run;
    const char* port = std::getenv("VELKARO_ACCEPTANCE_CLI_PORT");
    if (port == nullptr) {
        return run;
    }
    run.port = port;
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path program =
        std::filesystem::path(self).parent_path() / "velkaro-cli.exe";
    std::wstring command =
        CommandLineWord(Narrow(program.wstring())) + L" --port " + Wide(run.port);
    for (const std::string& argument : arguments) {
        command += L" " + CommandLineWord(argument);
    }
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
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                         &startup, &process)) {
        DWORD status = 0;
        if (::WaitForSingleObject(process.hProcess, kCommandLineTimeoutMs) == WAIT_OBJECT_0 &&
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
