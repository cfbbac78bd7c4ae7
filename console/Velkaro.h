// The application object.
#pragma once

#include "console/dialog/win_app.h"

class CVelkaroApp : public CWinApp {
  public:
    CVelkaroApp();

    // Runs the main window modally; returns FALSE so that the application then ends.
    BOOL InitInstance() override;
    // 2 after a usage error (an unknown language), as the command line's programs give.
    int ExitInstance() override;

    const MessageMap* GetMessageMap() const override { return &messageMap; }
    static const MessageMapEntry messageEntries[];
    static const MessageMap messageMap;

  private:
    bool StartInChosenLanguage();

    bool m_bUsageError = false;
};

extern CVelkaroApp theApp;
