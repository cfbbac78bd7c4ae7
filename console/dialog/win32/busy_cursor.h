// The busy arrow of CWnd::ShowBusyCursor on Windows: a window property marks the window, and its
// dialog procedure answers WM_SETCURSOR with the arrow while the mark is there.
#pragma once

#include <windows.h>

// Marks the window, or takes the mark away.
void MarkBusyCursor(HWND hWnd, bool busy);

// For WM_SETCURSOR over the client area of a marked window or its children: sets the busy
// arrow and returns true. False otherwise, so that the usual pointer is shown.
bool SetBusyCursorIfMarked(HWND hWnd, LPARAM lParam);
