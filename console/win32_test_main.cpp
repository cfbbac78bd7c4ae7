#include <gtest/gtest.h>

#include "console/Velkaro.h"

// The application object of the test program, in place of the executable's.
CVelkaroApp theApp;

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // The base's start-up only: the common controls and the window's thread, no main window.
    theApp.CWinApp::InitInstance();
    return RUN_ALL_TESTS();
}
