// Modal boxes in tests: a test that expects a message box or common dialog queues its answer;
// any other modal box is a failure of the running test and is closed within a second, so a
// stray box never blocks the run.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kvtest {

struct SeenModal {
    std::wstring caption;
    std::wstring text; // the message text of a message box
    bool expected = false;
};

// Answers the next modal box of this thread with button id (IDOK, IDCANCEL, ...). When
// textPart is not empty, the box's caption or text must contain it, else the test fails.
void ExpectModal(int buttonId, std::wstring textPart = {});
// Boxes seen since the last Reset, in order.
std::vector<SeenModal> SeenModals();
// Expected answers not used yet.
size_t PendingModals();
void ResetModals();

// Installed by the test main for the whole run.
void InstallModalWatch();

// Top-level dialog windows (#32770) of any process on this desktop with the caption.
HWND FindDialog(const std::wstring& caption);
// Message text of a message box window.
std::wstring DialogText(HWND dialog);

} // namespace kvtest
