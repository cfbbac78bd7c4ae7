// Work handed to the window's thread, the thread that runs the windows' messages.
#pragma once

#include <chrono>
#include <functional>

// Runs op later on the window's thread, in posting order; callable from any thread, returns
// at once. op must itself check that what it touches still exists when it runs.
void PostToWindowThread(std::function<void()> op);

// Runs op once on the window's thread when `delay` has passed; callable from any thread, returns
// at once. op must itself check that what it touches still exists when it runs.
void PostToWindowThreadAfter(std::chrono::milliseconds delay, std::function<void()> op);

// On the window's thread: keeps handling the windows' messages, posted work included, until
// done() holds. The operator's input waits meanwhile.
void ServeWindowsUntil(const std::function<bool()>& done);

// How often ServeWindowsUntil looks at its condition between the messages it handles, in ms.
inline constexpr int kServePollMs = 2;
