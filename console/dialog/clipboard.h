// The clipboard's text: what the copy commands put there, and what the tests read back.
#pragma once

#include <string>

#include "console/dialog/types.h"

class CWnd;

// Replaces the clipboard's content with the text (UTF-8); FALSE when the clipboard is busy.
BOOL SetClipboardText(const CWnd* pOwner, const std::string& text);
// The clipboard's text, UTF-8; empty when it holds none.
std::string GetClipboardText();
