// What the README's pictures of Velkaro.exe share: waiting on the window from outside, as an
// automation tool would (the window's own messages only), and saving a window as a bitmap.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "console/dialog/win32/wide.h"
#include "res/resource.h"
#include "res/texts.h"

inline constexpr int kScreenshotWaitMs = 20'000;

inline bool WaitFor(const auto& done) {
    for (int waited = 0; waited < kScreenshotWaitMs; waited += 20) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

inline std::string TextOf(HWND hWnd) {
    wchar_t text[256];
    const auto length = ::SendMessageW(hWnd, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return Narrow(std::wstring_view(text, static_cast<size_t>(length)));
}

inline std::string LastLogLine(HWND list) {
    const auto count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (count <= 0) {
        return {};
    }
    std::wstring line(static_cast<size_t>(::SendMessageW(list, LB_GETTEXTLEN, count - 1, 0)),
                      L'\0');
    ::SendMessageW(list, LB_GETTEXT, count - 1, reinterpret_cast<LPARAM>(line.data()));
    return Narrow(line);
}

// Clicks a button of the main window and waits for the log's last line.
inline bool ClickAndWait(HWND window, int button, const std::string& lastLine) {
    ::SendMessageW(::GetDlgItem(window, button), BM_CLICK, 0, 0);
    return WaitFor([&] { return LastLogLine(::GetDlgItem(window, IDC_LIST_LOG)) == lastLine; });
}

// Chooses the port in the main window's list and opens it.
inline bool OpenPort(HWND window, const char* port) {
    return ::SendMessageW(::GetDlgItem(window, IDC_COMBO_PORT), CB_SELECTSTRING,
                          static_cast<WPARAM>(-1),
                          reinterpret_cast<LPARAM>(Wide(port).c_str())) >= 0 &&
           ClickAndWait(window, IDC_BTN_OPEN_PORT, res::Text(res::TextId::LogPortOpened));
}

// Starts Velkaro.exe and waits for its visible main window; null if it does not come.
inline HWND StartVelkaro(const char* program, PROCESS_INFORMATION& velkaro) {
    std::wstring command = L"\"" + Wide(program) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &velkaro)) {
        return nullptr;
    }
    HWND window = nullptr;
    WaitFor([&] {
        window = ::FindWindowW(L"#32770", L"Velkaro");
        return window != nullptr && ::IsWindowVisible(window);
    });
    return window;
}

// Closes the window and waits for the program's end.
inline void CloseVelkaro(HWND window, PROCESS_INFORMATION& velkaro) {
    if (window != nullptr) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    ::WaitForSingleObject(velkaro.hProcess, kScreenshotWaitMs);
    ::CloseHandle(velkaro.hThread);
    ::CloseHandle(velkaro.hProcess);
}

// The window as the screen shows it, in a 24-bit bitmap file.
inline bool SaveWindowBitmap(HWND window, const char* path) {
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

// The whole of a picture program: starts Velkaro.exe (argv[1]), has `drive` work its window on
// the port argv[2] and return the window to take, saves that as the bitmap argv[3], and closes
// the program. `drive` returns null when the window did not get there. Velkaro.exe inherits
// VELKARO_LANG, and the log lines waited for are read in that language too.
inline int TakePicture(int argc, char** argv, const char* name,
                       const std::function<HWND(HWND window, const char* port)>& drive) {
    std::string error;
    if (argc != 4 || !res::StartInChosenLanguage(1, argv, error)) {
        std::fprintf(stderr, "%s\nusage: %s Velkaro.exe PORT OUT.bmp\n", error.c_str(), name);
        return 2;
    }
    PROCESS_INFORMATION velkaro{};
    HWND window = StartVelkaro(argv[1], velkaro);
    if (velkaro.hProcess == nullptr) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }
    HWND pictured = window != nullptr ? drive(window, argv[2]) : nullptr;
    if (pictured != nullptr) {
        // Let the held repaints happen before the picture.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    const bool saved = pictured != nullptr && SaveWindowBitmap(pictured, argv[3]);
    CloseVelkaro(window, velkaro);
    std::fprintf(stderr, "%s\n", saved ? "saved" : ("failed at: " + TextOf(window)).c_str());
    return saved ? 0 : 1;
}
