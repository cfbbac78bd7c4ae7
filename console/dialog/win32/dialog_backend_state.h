// What the Win32 backend keeps for the layer's objects; Windows holds the rest. Complete here
// so that the shared sources create and destroy them.
#pragma once

#include <memory>

#include "console/dialog/dialog.h"
#include "console/dialog/menu.h"
#include "console/dialog/paint_dc.h"
#include "console/dialog/win_app.h"
#include "res/dialog_templates.h"

// Nothing to keep: Windows holds the application's state.
struct CWinApp::State {};

struct CDialogEx::WindowState {
    const res::DialogTemplate* tpl = nullptr;
    std::unique_ptr<CMenu> systemMenu;
};

// The paint of one WM_PAINT, begun and ended with the object.
struct CDC::State {
    explicit State(HWND window) : hWnd(window), hDC(::BeginPaint(window, &paint)) {}
    ~State() { ::EndPaint(hWnd, &paint); }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    HWND hWnd;
    PAINTSTRUCT paint{};
    HDC hDC;
};
