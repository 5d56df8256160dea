// Common file dialogs in tests: a test queues the answer for the next open or save dialog of
// this thread with a caption; a timer finds the dialog, notes what it shows, fills the file
// name, chooses a filter and presses its button. Unanswered dialogs fall to the modal watch.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kvtest {

struct FileDialogAnswer {
    std::wstring caption;  // the dialog to answer
    std::wstring fileName; // typed into the name box; empty: the dialog is cancelled
    int filter = 0;        // 1-based filter to choose first; 0 keeps the dialog's choice
    // When not 0: once the dialog is answered, the next message box is expected and answered
    // with this button (queued only then, so that the modal watch leaves the file dialog to us).
    int thenMessageBox = 0;
    std::wstring thenMessageText;
    // When not empty: a folder the dialog is sent to first, as the user browses there.
    std::wstring browseTo;
    // Runs while the dialog is open, just before its button is pressed.
    std::function<void()> whileOpen;
};

// What an answered dialog showed when it was found.
struct SeenFileDialog {
    std::wstring caption;
    std::wstring fileName;             // the proposed name
    std::vector<std::wstring> filters; // texts of the file type list
    int selectedFilter = -1;           // 0-based, as shown
    HWND owner = nullptr;              // the window the dialog belongs to
    RECT bounds{};                     // on the screen
};

void AnswerFileDialog(FileDialogAnswer answer);
inline void AnswerFileDialog(const std::wstring& caption, const std::wstring& fileName,
                             int filter = 0) {
    FileDialogAnswer a;
    a.caption = caption;
    a.fileName = fileName;
    a.filter = filter;
    AnswerFileDialog(std::move(a));
}
// Answers not used yet, and the dialogs answered since the last reset.
size_t PendingFileDialogs();
std::vector<SeenFileDialog> SeenFileDialogs();
void ResetFileDialogs();

} // namespace kvtest
