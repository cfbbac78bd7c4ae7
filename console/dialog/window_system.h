// The few operations in which the window systems differ under the layer's shared code. Each
// backend implements them beside the classes that use them (its wnd.cpp and dialog.cpp).
#pragma once

#include "console/dialog/types.h"

class CWnd;

// Binds the wrapper to the window so that BoundWrapperOf finds it; nullptr unbinds it.
void BindWrapper(HWND hWnd, CWnd* pWrapper);
// The top-level window that hWnd is or belongs to.
HWND RootWindowOf(HWND hWnd);
// This application's active top-level window, nullptr when it has none.
HWND ActiveWindow();
// Ends the modal loop that runs the dialog hWnd; DoModal returns nResult.
void EndModalLoop(HWND hWnd, int nResult);
