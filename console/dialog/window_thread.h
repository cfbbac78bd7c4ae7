// Work handed to the window's thread, the thread that runs the windows' messages.
#pragma once

#include <functional>

// Runs op later on the window's thread, in posting order; callable from any thread, returns
// at once. op must itself check that what it touches still exists when it runs.
void AfxPostToWindowThread(std::function<void()> op);

// Runs op on the window's thread and returns once it has run: at once when called there.
void AfxRunOnWindowThread(const std::function<void()>& op);

bool AfxIsWindowThread();

// On the window's thread: keeps handling the windows' messages, posted work included, until
// done() holds. The operator's input waits meanwhile.
void AfxServeUntil(const std::function<bool()>& done);
