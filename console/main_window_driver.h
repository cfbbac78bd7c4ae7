// The main window as its platform's user drives it, for the cases that both windows share
// (main_window_cases_test.cpp). The build picks one driver: the Qt widgets with QTest's mouse
// (main_window_driver_qt.cpp), or the window system's own messages under wine
// (main_window_driver_win32.cpp).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "console/VelkaroDlg.h"

struct MenuEntry {
    UINT id;
    std::string text;
    bool separator;
    bool operator==(const MenuEntry&) const = default;
};

class MainWindowDriver {
  public:
    MainWindowDriver();  // creates the window and shows it
    ~MainWindowDriver();
    MainWindowDriver(const MainWindowDriver&) = delete;
    MainWindowDriver& operator=(const MainWindowDriver&) = delete;

    bool Shown() const;
    CVelkaroDlg& Dlg();

    void Click(int id);
    void SetField(int id, const std::string& text);
    std::string Field(int id) const;
    bool Enabled(int id) const;
    bool Checked(int id) const;
    void SelectRow(int row);  // adds the node table's row to the selection
    std::vector<MenuEntry> SystemMenu() const;

  private:
    struct Window;
    std::unique_ptr<Window> m_window;
};
