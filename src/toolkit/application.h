// The application object: message loop, idle processing, key pre-translation, title.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace tk {

// Key messages offered to a control before they are dispatched: a window that carries the
// property kKeyTargetProp receives CN_BASE + the key message (WM_KEYDOWN ... WM_SYSDEADCHAR)
// with the same parameters; a non-zero result means the control consumed the key.
constexpr UINT CN_BASE = 0xBC00;
constexpr const wchar_t* kKeyTargetProp = L"tk.KeyTarget";

// Idle: nothing was waiting; Handled: one message was handled (more may wait); Quit: WM_QUIT
// was seen (it is kept for the outer loop).
enum class PumpResult { Idle, Handled, Quit };

class Application {
public:
    using IdleHandler = std::function<void()>;
    // Returns true when the message was handled and must not be dispatched.
    using MessageFilter = std::function<bool(MSG&)>;

    static void Initialize(HINSTANCE instance);
    static HINSTANCE Instance();

    // Text of the application (caption of its message boxes and error reports).
    static const std::wstring& Title();
    static void SetTitle(std::wstring title);

    // The application's own window: a top-level window of no size that owns the main window
    // and carries the program's task bar button, captioned with the title. The task bar shows
    // the caption of an unowned window, so the title is the button's text while the main
    // window keeps its own caption. Shown while there is a main window; made on first use.
    static HWND Handle();
    // Minimises the program: its window and, with it, every window it owns.
    static void Minimize();

    static void SetMainWindow(HWND window);
    static HWND MainWindow();
    // Owner for a modal box: the active window of this thread, else the main window.
    static HWND ActiveOwner();

    // Runs the message loop until WM_QUIT; returns its exit code.
    static int Run();
    // Handles every pending message, then returns. Quit when WM_QUIT was seen (it is kept
    // for the outer loop).
    static PumpResult ProcessMessages();
    // Handles the next pending message, if any. A wait for a condition checks it after every
    // message, so that it ends as soon as the condition holds and leaves the rest (the paints
    // that come last, say) to the loop it returns to.
    static PumpResult ProcessMessage();
    // Blocks until a message arrives or timeoutMs passes; no CPU is used while waiting.
    static void WaitForMessage(DWORD timeoutMs);
    static bool Terminated();
    static void Terminate(int exitCode = 0);
    // Clears the terminated state so that the loop can run again (a later run in the process).
    static void ResetTerminated();

    // Idle handlers run once each time the queue has been emptied by Run.
    static int AddIdleHandler(IdleHandler handler);
    static void RemoveIdleHandler(int id);
    static void RunIdleHandlers();

    // Filters run, in order of registration, before key pre-translation (accelerators, MDI).
    static int AddMessageFilter(MessageFilter filter);
    static void RemoveMessageFilter(int id);

    // One message through filters, key pre-translation, TranslateMessage, DispatchMessage.
    static void DispatchOne(MSG& msg);
};

} // namespace tk
