// Where a dialog box of the UI thread came from, decided when it is created: the program's
// own boxes (made inside an OwnDialogScope) are told apart from the boxes of the components it
// hosts, whatever is open at the time they are activated.
#pragma once

#include <windows.h>

#include <functional>

namespace tk {

// Starts watching the creation of the UI thread's dialog boxes (once; later calls do nothing).
void WatchDialogCreation() noexcept;

// True for a dialog the program made itself, or one owned (through any number of owners) by
// such a dialog.
bool IsOwnDialog(HWND dialog) noexcept;

// The window named as owner when the dialog was created (before the platform replaced a child
// window by its top-level one); null when its creation was not seen.
HWND DialogCreationOwner(HWND dialog) noexcept;

// Called, once the activation is done, for a dialog of the UI thread activated while another
// window than its top owner was active (a box over a box): the top owner hears nothing of it.
int AddDialogActivationWatcher(std::function<void(HWND)> watcher);
void RemoveDialogActivationWatcher(int id) noexcept;

namespace detail {
// OwnDialogScope's part: the boxes to mark. everyBox: all boxes made meanwhile; otherwise the
// first one only (a box made later, as in its modal loop, is someone else's).
void BeginOwnDialogs(bool everyBox) noexcept;
void EndOwnDialogs() noexcept;
} // namespace detail

} // namespace tk
