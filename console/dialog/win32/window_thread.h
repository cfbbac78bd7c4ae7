// The window's thread on Windows: the thread that creates the application's windows.
#pragma once

// Makes the calling thread the one that PostToWindowThread hands work to. The first call
// decides; later calls, from any thread, change nothing.
void AdoptWindowThread();
