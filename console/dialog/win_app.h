// CWinApp: the one application object. AfxWinMain creates nothing itself: the application's
// InitInstance does the start-up and returns once the main window has closed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "console/dialog/message_map.h"
#include "console/dialog/types.h"

class CWnd;

class CWinApp : public CCmdTarget {
  public:
    // With no name given, the application is named after its executable file.
    explicit CWinApp(const char* pszAppName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Prepares the window system: names the application after its executable when no name
    // was given, and gives every window the main icon.
    virtual BOOL InitInstance();
    // The process's exit code.
    virtual int ExitInstance();

    HICON LoadIcon(UINT nIDResource) const;
    // The words of the command line after the program's name.
    std::vector<std::string> CommandLineArguments() const;

    // There is no help file: a help request (F1) shows the main window's About box, which
    // names the program and its version. Not while another box is open over the main window.
    void OnHelp();

    const MessageMap* GetMessageMap() const override { return &messageMap; }
    static const MessageMap messageMap;

    CWnd* m_pMainWnd = nullptr;

  private:
    friend int AfxWinMain(int argc, char** argv);
    friend CWinApp* AfxGetApp();
    friend std::string AfxGetAppName();

    static CWinApp* s_pTheApp;

    std::string m_strAppName;
    int m_argc = 0;
    char** m_argv = nullptr;
    // What the backend keeps while the application runs.
    struct State;
    std::unique_ptr<State> m_pState;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The caption of every message box.
std::string AfxGetAppName();
// The executable's file name without its extension.
std::string AppNameFromPath(const std::string& executablePath);

// One line to the debug trace output, for the developer; the operator sees nothing of it.
void AfxTrace(const std::string& line);

// The process's entry: runs the application object's start-up and returns its exit code.
int AfxWinMain(int argc, char** argv);
