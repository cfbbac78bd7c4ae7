// What the Qt backend keeps for the layer's objects: the application, a dialog's controls and
// its port watch, a device context's painter. Complete here so that the shared sources create
// and destroy them.
#pragma once

#include <QApplication>
#include <QPainter>
#include <QSocketNotifier>
#include <QWidget>
#include <memory>
#include <vector>

#include "console/dialog/dialog.h"
#include "console/dialog/menu.h"
#include "console/dialog/paint_dc.h"
#include "console/dialog/qt/dialog_builder.h"
#include "console/dialog/qt/runtime_dir.h"
#include "console/dialog/win_app.h"
#include "res/dialog_templates.h"
#include "serial/port_watch.h"

struct CWinApp::State {
    State(int& argc, char** argv) : application(argc, argv) {}
    // Before the application, which looks for it.
    PrivateRuntimeDir runtimeDir;
    QApplication application;
};

struct CDialogEx::WindowState {
    const res::DialogTemplate* tpl = nullptr;
    std::vector<BuiltControl> controls;
    std::unique_ptr<CMenu> systemMenu;
    // Declared in this order so that the notifier goes before the descriptor it watches.
    std::unique_ptr<PortListWatch> portWatch;
    std::unique_ptr<QSocketNotifier> portNotifier;
};

// A painter on the window's widget.
struct CDC::State {
    explicit State(HWND window) : painter(window) {}
    QPainter painter;
};
