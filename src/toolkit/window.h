// Window classes of the toolkit: windows whose procedure is a member function, wrapped
// system controls, fonts and DPI scaling.
//
// Every window procedure here runs its handlers inside an exception guard: an exception
// reaches the default error report and the message gets its default treatment.
#pragma once

#include "toolkit/application.h"

#include <windows.h>

#include <string>

namespace tk {

// A parent reflects WM_COMMAND and WM_NOTIFY from a wrapped control back to that control as
// these messages, so each control handles its own notifications.
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
// Posted to a form to destroy it once the messages queued before it have been handled.
constexpr UINT CM_RELEASE = WM_APP + 0x0100;

// Sends a reflected notification to the wrapped control it came from. False when the sender
// is not a wrapped control (the message then gets its default treatment).
bool ReflectNotification(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Number of window procedures of the program's windows and controls running right now on
// this thread (nested calls count). A form is freed only when none is running.
int HandlerDepth();
int& HandlerDepthRef();

// Dots per inch of a window (96 when unknown) and a design pixel size scaled to it.
UINT DpiOf(HWND window);
int Scale(HWND window, int pixels);

// A font handle owned by its object.
class Font {
public:
    Font() = default;
    // height as in LOGFONT: positive = cell height, negative = character height, in pixels at
    // 96 DPI; scaled to dpi.
    Font(const std::wstring& face, int height, BYTE charset, UINT dpi);
    Font(Font&& other) noexcept;
    Font& operator=(Font&& other) noexcept;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font();
    HFONT Handle() const { return font_; }

private:
    HFONT font_ = nullptr;
};

// A window of a class registered by the program, its procedure the virtual WndProc.
class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const { return hwnd_; }
    bool HandleAllocated() const { return hwnd_ != nullptr; }
    bool Visible() const;
    void SetVisible(bool visible);
    void SetBounds(int left, int top, int width, int height);
    std::wstring Text() const;
    void SetText(const std::wstring& text);

    // The wrapper of a window created by this class, or null.
    static Window* FromHandle(HWND window);

protected:
    // Registers the class once per process (later calls return the same atom).
    static void RegisterWindowClass(const wchar_t* className, UINT style, HBRUSH background,
                                    HICON icon = nullptr);
    // Creates the window; raises tk::Error on failure.
    void CreateHandle(DWORD exStyle, const wchar_t* className, const std::wstring& text,
                      DWORD style, int left, int top, int width, int height, HWND parent,
                      HMENU menu);
    void DestroyHandle() noexcept;

    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // The window has received its last message; the object may delete itself here.
    virtual void WindowDestroyed() noexcept {}

    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Connects a window being created (from WM_NCCREATE or WM_CREATE) with its object.
    static void Bind(HWND hwnd, Window* window);

    HWND hwnd_ = nullptr;
    // Set while handling a message: the object is deleted once no handler runs any more.
    bool deleteAfterMessage_ = false;
};

// A system control (button, tool bar, combo box ...) subclassed by the program.
class Control {
public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    HWND Handle() const { return hwnd_; }
    bool HandleAllocated() const { return hwnd_ != nullptr; }
    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    void SetBounds(int left, int top, int width, int height);
    // Position and size in the parent's client coordinates.
    RECT BoundsInParent() const;
    void SetFont(HFONT font);
    void SetFocus();

    static Control* FromHandle(HWND window);

protected:
    // Creates and subclasses the control; raises tk::Error on failure.
    void CreateControl(DWORD exStyle, const wchar_t* className, const std::wstring& text,
                       DWORD style, int left, int top, int width, int height, HWND parent,
                       UINT id = 0);
    // Subclasses an existing window (for example the edit inside a combo box) so that its
    // messages reach HandleChildMessage.
    void Subclass(HWND window, UINT_PTR part);
    // The window's own handling of a message, as before it was subclassed.
    static LRESULT DefaultMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    void DestroyControl() noexcept;

    // Return true when the message was handled; result is then the answer.
    virtual bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Messages of windows subclassed with Subclass(window, part), part > 0.
    virtual bool HandleChildMessage(UINT_PTR part, HWND window, UINT msg, WPARAM wParam,
                                    LPARAM lParam, LRESULT& result);

    HWND hwnd_ = nullptr;

private:
    static void Unsubclass(HWND window) noexcept;
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

} // namespace tk
