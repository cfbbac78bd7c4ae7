// The window's answer to Ctrl-C and SIGTERM, on the window's thread.
#pragma once

// Closes the windows as the operator would: each box open over the main window goes first,
// then the main window by its close box.
void AfxCloseWindowsOnStop();
