#include "console/dialog/clipboard.h"

#include <cstring>

#include "console/dialog/win32/wide.h"
#include "console/dialog/wnd.h"

BOOL SetClipboardText(const CWnd* pOwner, const std::string& text) {
    const std::wstring wide = Wide(text);
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return FALSE;
    }
    std::memcpy(::GlobalLock(memory), wide.c_str(), bytes);
    ::GlobalUnlock(memory);
    if (!::OpenClipboard(pOwner != nullptr ? pOwner->GetSafeHwnd() : nullptr)) {
        ::GlobalFree(memory);
        return FALSE;
    }
    ::EmptyClipboard();
    // The clipboard owns the memory from here on, unless it refused it.
    const bool taken = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    ::CloseClipboard();
    if (!taken) {
        ::GlobalFree(memory);
    }
    return taken ? TRUE : FALSE;
}

std::string GetClipboardText() {
    if (!::OpenClipboard(nullptr)) {
        return {};
    }
    std::string text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        text = Narrow(static_cast<const wchar_t*>(::GlobalLock(data)));
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
}
