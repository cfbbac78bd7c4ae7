// The windows' answer to the operator's stop from outside the program (Ctrl-C, SIGTERM), on
// the window's thread. Each backend closes its own windows.
#pragma once

// Closes the windows as the operator would: each box open over the main window goes first,
// then the main window by its close box.
void CloseWindowsOnStop();
