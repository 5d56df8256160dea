// Running the message loop from a test.
#pragma once

#include <windows.h>

#include <functional>

namespace kvtest {

// Handles messages until pred() holds or timeoutMs passes; returns pred().
bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 5000);
// Handles messages for ms milliseconds.
void PumpFor(DWORD ms);
// Handles pending messages, then runs the application's idle handlers once.
void PumpIdle();
// Drops a WM_QUIT that a closed frame left and lets the message loop run again.
void DrainQuit();

} // namespace kvtest
