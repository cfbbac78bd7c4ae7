// Takes the README's picture of Velkaro.exe: starts it, runs a session on the port named on the
// command line from outside, as an automation tool would (the window's own messages only), and
// saves the window as a bitmap. Usage: session_screenshot Velkaro.exe COM10 out.bmp
#include <windows.h>
// windows.h first: commctrl.h builds on it.
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "console/dialog/win32/wide.h"
#include "res/resource.h"

namespace {

constexpr int kWaitMs = 20'000;

bool WaitFor(const auto& done) {
    for (int waited = 0; waited < kWaitMs; waited += 20) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

std::string LastLogLine(HWND list) {
    const auto count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (count <= 0) {
        return {};
    }
    std::wstring line(static_cast<size_t>(::SendMessageW(list, LB_GETTEXTLEN, count - 1, 0)),
                      L'\0');
    ::SendMessageW(list, LB_GETTEXT, count - 1, reinterpret_cast<LPARAM>(line.data()));
    return Narrow(line);
}

std::string TextOf(HWND hWnd) {
    wchar_t text[256];
    const auto length = ::SendMessageW(hWnd, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return Narrow(std::wstring_view(text, static_cast<size_t>(length)));
}

// Clicks a button and waits for the log's last line.
bool ClickAndWait(HWND window, int button, const std::string& lastLine) {
    ::SendMessageW(::GetDlgItem(window, button), BM_CLICK, 0, 0);
    return WaitFor([&] { return LastLogLine(::GetDlgItem(window, IDC_LIST_LOG)) == lastLine; });
}

// Selects a row of the other process's list view: the item goes through its memory.
void SelectRow(HWND list, int row) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(list, &processId);
    HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
    LVITEMW item{};
    item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    void* remote = ::VirtualAllocEx(process, nullptr, sizeof item, MEM_COMMIT, PAGE_READWRITE);
    ::WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(remote));
    ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    ::CloseHandle(process);
}

bool SaveWindowBitmap(HWND window, const char* path) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::SelectObject(memory, old);
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
    constexpr DWORD kHeaderBytes = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    const BITMAPFILEHEADER file{0x4D42, kHeaderBytes + imageBytes, 0, 0, kHeaderBytes};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), imageBytes);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return out.good();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: session_screenshot Velkaro.exe PORT OUT.bmp\n");
        return 2;
    }
    std::wstring command = L"\"" + Wide(argv[1]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION velkaro{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &velkaro)) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }
    HWND window = nullptr;
    WaitFor([&] {
        window = ::FindWindowW(L"#32770", L"Velkaro");
        return window != nullptr && ::IsWindowVisible(window);
    });
    const bool ran = window != nullptr &&
                     ::SendMessageW(::GetDlgItem(window, IDC_COMBO_PORT), CB_SELECTSTRING,
                                    static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(Wide(argv[2]).c_str())) >= 0 &&
                     ClickAndWait(window, IDC_BTN_OPEN_PORT, "[串口已打开]") &&
                     (::SendMessageW(::GetDlgItem(window, IDC_EDIT_MAX_ADDR), WM_SETTEXT, 0,
                                     reinterpret_cast<LPARAM>(L"0f")),
                      ClickAndWait(window, IDC_BTN_GROUP_STATUS, "[--完毕：群体获取状态--]")) &&
                     (SelectRow(::GetDlgItem(window, IDC_LIST_NODES), 0x03),
                      ClickAndWait(window, IDC_BTN_SINGLE_UNLOCK, "[--完毕：单点开锁--]")) &&
                     ClickAndWait(window, IDC_BTN_SINGLE_STATUS, "[--完毕：单点获取状态--]");
    // Let the held repaint of the log happen before the picture.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const bool saved = ran && SaveWindowBitmap(window, argv[3]);
    if (window != nullptr) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    ::WaitForSingleObject(velkaro.hProcess, kWaitMs);
    ::CloseHandle(velkaro.hThread);
    ::CloseHandle(velkaro.hProcess);
    std::fprintf(stderr, "%s\n", saved ? "saved" : ("failed at: " + TextOf(window)).c_str());
    return saved ? 0 : 1;
}
