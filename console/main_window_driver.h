// The main window as its platform's user drives it, for the cases that both windows share
// (main_window_cases_test.cpp). The build picks one driver: the Qt widgets with QTest's mouse
// and keys (main_window_driver_qt.cpp), or the window system's own messages under wine
// (main_window_driver_win32.cpp).
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console/VelkaroDlg.h"
#include "res/dialog_templates.h"

struct MenuEntry {
    UINT id;
    std::string text;
    bool separator;
    bool operator==(const MenuEntry&) const = default;
};

// Simulated nodes at the far end of a port in the window's list: started in the test on
// Linux, mapped to a COM port by the test run under wine (scripts/wine/tests.sh).
enum class SimulatedBus {
    None,
    Session,          // nodes 00 to 0f, node 03 open
    HangsUpAtAFrame,  // nodes 00 to 0f; the line hangs up as the first frame arrives
    // The acceptance cabinet: nodes 00 to 07, the lock of 03 jammed, 05 silent, each lock shut
    // again 2 s after it opened.
    AcceptanceCabinet,
    // The same cabinet for runs cut short. Under wine a simulator of its own, so that no lock
    // that they leave open is still open when a whole run on the other one begins.
    AcceptanceCabinetForCutRuns,
    // The same cabinet, hanging up as the run's fourth frame (node 01's unlock) arrives.
    AcceptanceCabinetHangingUp,
};

struct PixelRect {
    int left;
    int top;
    int width;
    int height;
    bool operator==(const PixelRect&) const = default;
};

// What an About box showed while it was open; the driver closes it with its button.
struct AboutBoxSeen {
    bool found = false;
    std::string caption;
    std::string text;
    std::string button;
    bool icon = false;
    bool blocksTheWindow = false;  // the window took no input while the box was open
};

// A modal main window whose max on-time field got `maxOnTime`, then Enter, then Escape if the
// window was still open.
struct ModalEnterResult {
    INT_PTR result;
    int32_t maxOnTime;  // the member after the window closed
};

class MainWindowDriver {
  public:
    // Starts the bus, then creates the window and shows it.
    explicit MainWindowDriver(SimulatedBus bus = SimulatedBus::None);
    ~MainWindowDriver();
    MainWindowDriver(const MainWindowDriver&) = delete;
    MainWindowDriver& operator=(const MainWindowDriver&) = delete;

    bool Shown() const;
    CVelkaroDlg& Dlg();
    std::string BusPort() const;

    void Click(int id);
    void SetField(int id, const std::string& text);
    std::string Text(int id) const;  // an edit's text or a button's caption
    bool Enabled(int id) const;
    bool Checked(int id) const;
    bool Focused(int id) const;
    std::string SelectedText(int id) const;  // of an edit
    void SelectRow(int row);                 // adds the node table's row to the selection
    void SelectPort(const std::string& port);
    std::string Title() const;
    std::vector<std::string> Log() const;
    int Rows() const;  // of the node table
    std::string Cell(int row, int column) const;
    std::vector<MenuEntry> SystemMenu() const;
    void Command(int id);           // a menu item's or a control's command
    void SelectLogLine(int index);  // the log list's selection

    // The client area's size, a control's place in it, and what dialog units come to.
    PixelRect Client() const;
    PixelRect Placed(int id) const;
    PixelRect InPixels(const res::DialogRect& rect) const;

    void SystemCommand(UINT command);
    void PressHelp();  // F1, as the window system reports it
    AboutBoxSeen AboutBoxAfter(const std::function<void()>& open);
    std::uintptr_t DragIcon() const;
    std::vector<std::uintptr_t> WindowIcons() const;

    // Runs the window's events, asleep in between, until done() holds; false after timeout.
    bool ServeUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // The process's processor time while the window's event loop runs idle for `span`.
    std::chrono::milliseconds IdleProcessorTime(std::chrono::milliseconds span);
    // The processor time that IdleProcessorTime may count for a loop that only sleeps: the
    // clock's step.
    static const std::chrono::milliseconds kIdleProcessorLimit;

    static ModalEnterResult RunModalPressingEnter(const std::string& maxOnTime);

    // Closes the window as the program's end does, with all that it holds; nothing of the
    // window may be read after.
    void Close();

  private:
    struct Window;
    std::unique_ptr<Window> m_window;
};

// Serves the window until its log holds `line`; false after `timeout`.
inline bool ServeUntilLogged(MainWindowDriver& window, const std::string& line,
                             std::chrono::milliseconds timeout) {
    return window.ServeUntil(
        [&] {
            const std::vector<std::string> log = window.Log();
            return std::find(log.begin(), log.end(), line) != log.end();
        },
        timeout);
}

// Drops the operation requests that a test's clicks left for a worker that never took them.
inline void ClearRequests() {
    for (auto* flag :
         {&g_bReqGroupStatus, &g_bReqGroupUnlock, &g_bReqSingleUnlock, &g_bReqSingleStatus}) {
        *flag = 0;
    }
}
