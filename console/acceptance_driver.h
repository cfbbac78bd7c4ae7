// The acceptance dialog over the main window, as its platform's user drives them, for the
// cases that both windows share (acceptance_cases_test.cpp). The build picks one driver: the Qt
// widgets with QTest's keys (acceptance_driver_qt.cpp), or the window system's own messages
// under wine (acceptance_driver_win32.cpp). The main window is a MainWindowDriver's.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "console/AcceptanceDlg.h"
#include "console/main_window_driver.h"

// The result's label as the operator sees it.
struct VerdictLook {
    int red = 0;
    int green = 0;
    int blue = 0;
    int pointSize = 0;
};

struct CommandLineRun {
    std::string port;     // the port it was given
    int exitStatus = -1;  // -1: it did not start or did not end in time
    std::string output;   // standard output
    std::string errors;   // standard error
};

// What every case starts from: the bus's port selected and a max address of 07.
inline void PrepareTheMainWindow(MainWindowDriver& main, SimulatedBus bus) {
    if (!main.Shown()) {
        return;
    }
    if (bus != SimulatedBus::None) {
        main.SelectPort(main.BusPort());
    }
    main.SetField(IDC_EDIT_MAX_ADDR, "07");
}

class AcceptanceDriver {
  public:
    // The main window shown over `bus`'s port, selected, with a max address of 07.
    explicit AcceptanceDriver(SimulatedBus bus);
    ~AcceptanceDriver();
    AcceptanceDriver(const AcceptanceDriver&) = delete;
    AcceptanceDriver& operator=(const AcceptanceDriver&) = delete;

    MainWindowDriver& Main() { return m_main; }
    // Null until the dialog has been opened.
    CAcceptanceDlg* Dialog() { return m_main.Dlg().AcceptanceDialog(); }

    void PressCtrlT();  // on the main window, as its user presses it
    void OpenFromTheSystemMenu();

    // The dialog's window and controls.
    bool Visible();
    std::string Title();
    void Click(int id);
    void SetField(int id, const std::string& text);
    std::string Text(int id);  // an edit's or a label's text, a button's caption
    bool Enabled(int id);
    bool Checked(int id);
    bool Focused(int id);
    std::string SelectedText(int id);  // of an edit
    bool HasProgressBar(int id);
    int Progress();
    int ProgressMaximum();
    // Every position that the progress bar shows from now on, each once.
    void WatchProgress();
    std::vector<int> ProgressShown() const;
    int Rows();  // of the result list
    std::string Cell(int row, int column);
    VerdictLook Verdict();

    // velkaro-cli with `arguments` after --port, on a bus equal to the window's; where the
    // platform takes its output through files, they are kept in `dir`.
    CommandLineRun RunCommandLine(const std::vector<std::string>& arguments,
                                  const std::filesystem::path& dir);

  private:
    struct Watch;
    MainWindowDriver m_main;
    std::unique_ptr<Watch> m_watch;
};
