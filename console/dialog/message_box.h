// Message boxes go through one presenter. The default shows a box modal to its owner and waits
// for the operator; tests install their own, which answers at once and records what it saw.
#pragma once

#include <string>

#include "console/dialog/types.h"

class CWnd;

struct MessageBoxRequest {
    const CWnd* pOwner;  // nullptr for a box without owner
    std::string text;
    std::string caption;
    UINT nType;  // MB_OK with an MB_ICON... value or none
};

class IMessageBoxPresenter {
  public:
    virtual ~IMessageBoxPresenter() = default;
    // Returns the id of the button that closed the box.
    virtual int Present(const MessageBoxRequest& request) = 0;
};

// The backend's presenter: a box of the window system, modal to its owner's window.
IMessageBoxPresenter& DefaultMessageBoxPresenter();

// nullptr restores the default presenter. Returns the one installed before.
IMessageBoxPresenter* SetMessageBoxPresenter(IMessageBoxPresenter* presenter);
int PresentMessageBox(const MessageBoxRequest& request);
