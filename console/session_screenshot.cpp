// Takes the README's picture of Velkaro.exe: starts it, runs a session on the port named on the
// command line from outside, as an automation tool would (the window's own messages only), and
// saves the window as a bitmap. Usage: session_screenshot Velkaro.exe COM10 out.bmp
#include <windows.h>
// windows.h first: commctrl.h builds on it.
#include <commctrl.h>

#include "console/win32_screenshot.h"
#include "res/resource.h"

namespace {

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

}  // namespace

int main(int argc, char** argv) {
    return TakePicture(argc, argv, "session_screenshot", [](HWND window, const char* port) {
        const bool ran =
            OpenPort(window, port) &&
            (::SendMessageW(::GetDlgItem(window, IDC_EDIT_MAX_ADDR), WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(L"0f")),
             ClickAndWait(window, IDC_BTN_GROUP_STATUS,
                          res::Text(res::TextId::LogGroupStatusEnd))) &&
            (SelectRow(::GetDlgItem(window, IDC_LIST_NODES), 0x03),
             ClickAndWait(window, IDC_BTN_SINGLE_UNLOCK,
                          res::Text(res::TextId::LogSingleUnlockEnd))) &&
            ClickAndWait(window, IDC_BTN_SINGLE_STATUS, res::Text(res::TextId::LogSingleStatusEnd));
        return ran ? window : nullptr;
    });
}
