#include "console/dialog/wnd.h"

#include <cstdint>

#include "console/dialog/message_box.h"
#include "console/dialog/win_app.h"
#include "console/dialog/window_system.h"

namespace {

UINT LowWord(WPARAM value) {
    return static_cast<UINT>(value & 0xFFFF);
}
UINT HighWord(WPARAM value) {
    return static_cast<UINT>((value >> 16) & 0xFFFF);
}

}  // namespace

CWnd::~CWnd() {
    Detach();
}

void CWnd::Attach(HWND hWnd) {
    m_hWnd = hWnd;
    BindWrapper(hWnd, this);
}

void CWnd::Detach() {
    if (m_hWnd != nullptr && BoundWrapperOf(m_hWnd) == this) {
        BindWrapper(m_hWnd, nullptr);
    }
    m_hWnd = nullptr;
    m_temporaryWrappers.clear();
}

CWnd* CWnd::WrapperOf(HWND child) const {
    if (CWnd* bound = BoundWrapperOf(child)) {
        return bound;
    }
    std::unique_ptr<CWnd>& wrapper = m_temporaryWrappers[child];
    if (!wrapper) {
        wrapper = std::make_unique<CWnd>();
        wrapper->m_hWnd = child;  // not bound: a member may still bind the control
    }
    return wrapper.get();
}

int CWnd::MessageBox(const std::string& text, const char* caption, UINT nType) {
    return PresentMessageBox(
        {this, text, caption != nullptr ? std::string(caption) : AfxGetAppName(), nType});
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (message) {
        case WM_COMMAND:
            RunCommand(HighWord(wParam), LowWord(wParam));
            *pResult = 0;
            return true;
        case WM_SYSCOMMAND:
            if (const MessageMapEntry* entry = FindMessageEntry(WM_SYSCOMMAND, 0, 0)) {
                (this->*std::get<AFX_PMSG_SYSCOMMAND>(entry->pfn))(static_cast<UINT>(wParam),
                                                                   lParam);
                *pResult = 0;
                return true;
            }
            return false;
        case WM_PAINT:
            if (const MessageMapEntry* entry = FindMessageEntry(WM_PAINT, 0, 0)) {
                (this->*std::get<AFX_PMSG>(entry->pfn))();
                *pResult = 0;
                return true;
            }
            return false;
        case WM_DEVICECHANGE:
            if (const MessageMapEntry* entry = FindMessageEntry(WM_DEVICECHANGE, 0, 0)) {
                *pResult = (this->*std::get<AFX_PMSG_DEVICECHANGE>(entry->pfn))(
                    static_cast<UINT>(wParam), static_cast<DWORD_PTR>(lParam));
                return true;
            }
            return false;
        case WM_CONTEXTMENU:
            if (const MessageMapEntry* entry = FindMessageEntry(WM_CONTEXTMENU, 0, 0)) {
                // Screen coordinates as two signed 16-bit halves.
                const CPoint point{static_cast<int16_t>(lParam & 0xFFFF),
                                   static_cast<int16_t>((lParam >> 16) & 0xFFFF)};
                (this->*std::get<AFX_PMSG_CONTEXTMENU>(entry->pfn))(
                    WrapperOf(reinterpret_cast<HWND>(wParam)), point);
                *pResult = 0;
                return true;
            }
            return false;
        case WM_QUERYDRAGICON:
            if (const MessageMapEntry* entry = FindMessageEntry(WM_QUERYDRAGICON, 0, 0)) {
                *pResult =
                    reinterpret_cast<LRESULT>((this->*std::get<AFX_PMSG_QUERYICON>(entry->pfn))());
                return true;
            }
            return false;
        default:
            return false;
    }
}

void CWnd::RunCommand(UINT nCode, UINT nID) {
    // Commands nobody in the window handles go on to the application object.
    if (!DispatchCommand(nCode, nID) && AfxGetApp() != nullptr) {
        AfxGetApp()->DispatchCommand(nCode, nID);
    }
}
