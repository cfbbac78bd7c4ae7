// The window layer's types and numbers on Windows: Windows' own.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: commctrl.h builds on it.
#include <commctrl.h>
#include <dbt.h>

// The framework's help command; Windows' own headers do not define it.
inline constexpr UINT ID_HELP = 0xE146;
