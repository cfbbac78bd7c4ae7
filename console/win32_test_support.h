// The Win32 window tests drive the real dialog as an automation tool would: with the window
// system's own messages (BM_CLICK, WM_SETTEXT, LB_GETTEXT, LVM_GETITEMTEXTW...), and answer
// its boxes from another thread.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "console/dialog/types.h"
#include "console/dialog/win32/wide.h"
#include "console/text_file_test_support.h"

using Lines = std::vector<std::string>;

inline std::string TextOf(HWND hWnd) {
    wchar_t text[1024];
    const auto length = ::SendMessageW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return Narrow(std::wstring_view(text, static_cast<size_t>(length)));
}

inline void SetText(HWND hWnd, const std::string& text) {
    ::SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

inline void Click(HWND button) {
    ::SendMessageW(button, BM_CLICK, 0, 0);
}

inline Lines ListBoxLines(HWND list) {
    Lines lines;
    const auto count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (WPARAM i = 0; i < static_cast<WPARAM>(count); ++i) {
        std::wstring line(static_cast<size_t>(::SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
        ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
        lines.push_back(Narrow(line));
    }
    return lines;
}

inline std::string ListViewCell(HWND list, int row, int column) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    const auto length = ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                       reinterpret_cast<LPARAM>(&item));
    return Narrow(std::wstring_view(text, static_cast<size_t>(length)));
}

inline std::string ClassOf(HWND hWnd) {
    wchar_t name[64];
    const int length = ::GetClassNameW(hWnd, name, 64);
    return Narrow(std::wstring_view(name, static_cast<size_t>(length)));
}

// Handles the thread's messages, all of them, until done() holds; false after timeoutMs.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
}

// What a box that opened over a window showed.
struct SeenBox {
    bool found = false;
    std::string caption;
    std::string text;  // a message box's message
    bool ownerDisabled = false;
    std::vector<std::string> controlTexts;  // every child's text, in window order
};

// On another thread: waits for the next dialog box owned by `owner` (a message box or a
// dialog), reads it, runs inspect on it, and closes it with command `answer`.
inline std::future<SeenBox> AnswerNextBox(HWND owner, int answer = IDOK,
                                          std::function<void(HWND)> inspect = {}) {
    return std::async(std::launch::async, [owner, answer, inspect] {
        SeenBox seen;
        constexpr int kTries = 1000;  // 10 s
        for (int i = 0; i < kTries && !seen.found; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            struct Search {
                HWND owner;
                HWND box = nullptr;
            } search{owner};
            ::EnumWindows(
                [](HWND hWnd, LPARAM param) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(param);
                    if (::GetWindow(hWnd, GW_OWNER) == s->owner && ::IsWindowVisible(hWnd) &&
                        ClassOf(hWnd) == "#32770") {
                        s->box = hWnd;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            if (search.box == nullptr) {
                continue;
            }
            seen.found = true;
            seen.caption = TextOf(search.box);
            seen.ownerDisabled = owner != nullptr && !::IsWindowEnabled(owner);
            // A message box shows its message in a static control of id 0xFFFF.
            if (HWND message = ::GetDlgItem(search.box, 0xFFFF)) {
                seen.text = TextOf(message);
            }
            for (HWND child = ::GetWindow(search.box, GW_CHILD); child != nullptr;
                 child = ::GetWindow(child, GW_HWNDNEXT)) {
                seen.controlTexts.push_back(TextOf(child));
            }
            if (inspect) {
                inspect(search.box);
            }
            ::PostMessageW(search.box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
        }
        return seen;
    });
}
