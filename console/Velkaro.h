// The application object.
#pragma once

#include "console/dialog/win_app.h"

class CVelkaroApp : public CWinApp {
  public:
    CVelkaroApp();

    // Runs the main window modally; returns FALSE so that the application then ends.
    BOOL InitInstance() override;

    const MessageMap* GetMessageMap() const override { return &messageMap; }
    static const MessageMapEntry messageEntries[];
    static const MessageMap messageMap;
};

extern CVelkaroApp theApp;
