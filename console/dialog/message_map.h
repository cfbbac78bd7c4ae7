// Message maps: each class lists the messages it handles as a table of (message, notification
// code, control id, handler) and chains to its base class's table. Dispatch walks the chain
// from the most derived class up and calls the first matching handler. A class declares
//     const MessageMap* GetMessageMap() const override { return &messageMap; }
//     static const MessageMapEntry messageEntries[];
//     static const MessageMap messageMap;
// and defines the entries, e.g. MapCommand(IDC_X, &CMyDlg::OnBnClickedX), and
//     const MessageMap CMyDlg::messageMap = {&CBaseDlg::messageMap, messageEntries};
#pragma once

#include <span>
#include <variant>

#include "console/dialog/types.h"

class CCmdTarget;
class CWnd;

using AFX_PMSG = void (CCmdTarget::*)();
using AFX_PMSG_SYSCOMMAND = void (CCmdTarget::*)(UINT, LPARAM);
using AFX_PMSG_QUERYICON = HCURSOR (CCmdTarget::*)();
using AFX_PMSG_DEVICECHANGE = BOOL (CCmdTarget::*)(UINT, DWORD_PTR);
using AFX_PMSG_CONTEXTMENU = void (CCmdTarget::*)(CWnd*, CPoint);
using MessageHandler = std::variant<AFX_PMSG, AFX_PMSG_SYSCOMMAND, AFX_PMSG_QUERYICON,
                                    AFX_PMSG_DEVICECHANGE, AFX_PMSG_CONTEXTMENU>;

struct MessageMapEntry {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    MessageHandler pfn;
};

struct MessageMap {
    const MessageMap* pBaseMap;
    std::span<const MessageMapEntry> entries;
};

class CCmdTarget {
  public:
    virtual ~CCmdTarget() = default;

    virtual const MessageMap* GetMessageMap() const { return &messageMap; }
    const MessageMapEntry* FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const;
    // Runs the handler of a command (WM_COMMAND with code and id); false when none is mapped.
    bool DispatchCommand(UINT nCode, UINT nID);

    static const MessageMap messageMap;
};

// Table entries. Each takes a member function of the class whose table it is in; the cast to
// the base's member type is undone by the call on an object of that class.
template <class T>
MessageMapEntry MapSysCommand(void (T::*pfn)(UINT, LPARAM)) {
    return {WM_SYSCOMMAND, 0, 0, static_cast<AFX_PMSG_SYSCOMMAND>(pfn)};
}

template <class T>
MessageMapEntry MapPaint(void (T::*pfn)()) {
    return {WM_PAINT, 0, 0, static_cast<AFX_PMSG>(pfn)};
}

template <class T>
MessageMapEntry MapQueryDragIcon(HCURSOR (T::*pfn)()) {
    return {WM_QUERYDRAGICON, 0, 0, static_cast<AFX_PMSG_QUERYICON>(pfn)};
}

// WM_DEVICECHANGE: the event (DBT_DEVICEARRIVAL, ...) and its data.
template <class T>
MessageMapEntry MapDeviceChange(BOOL (T::*pfn)(UINT, DWORD_PTR)) {
    return {WM_DEVICECHANGE, 0, 0, static_cast<AFX_PMSG_DEVICECHANGE>(pfn)};
}

// The context-menu gesture (right click, Shift+F10, the menu key) over the window or one of its
// controls: the control, and the point on the screen; (-1, -1) when the keyboard asked.
template <class T>
MessageMapEntry MapContextMenu(void (T::*pfn)(CWnd*, CPoint)) {
    return {WM_CONTEXTMENU, 0, 0, static_cast<AFX_PMSG_CONTEXTMENU>(pfn)};
}

// A button click (BN_CLICKED) or a menu or accelerator command with id nID.
template <class T>
MessageMapEntry MapCommand(UINT nID, void (T::*pfn)()) {
    return {WM_COMMAND, BN_CLICKED, nID, static_cast<AFX_PMSG>(pfn)};
}
