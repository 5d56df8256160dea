#include "toolkit/window.h"

#include "toolkit/error.h"

#include <commctrl.h>

#include <unordered_map>

namespace tk {
namespace {

// The windows subclassed by controls, with the procedure each had before. Kept here rather
// than in window properties: a property look-up is a round trip to the window server under
// some systems, and it would be paid for every message of every control.
struct SubclassEntry {
    Control* control;
    UINT_PTR part;
    WNDPROC original;
};

std::unordered_map<HWND, SubclassEntry>& Subclassed() {
    static std::unordered_map<HWND, SubclassEntry> map;
    return map;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn DpiFunction() {
    // Looked up at run time: the program also runs where the call does not exist.
    static GetDpiForWindowFn fn = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return fn;
}

} // namespace

bool ReflectNotification(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND from = nullptr;
    if (msg == WM_COMMAND) {
        from = reinterpret_cast<HWND>(lParam);
    } else if (msg == WM_NOTIFY && lParam != 0) {
        from = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    }
    if (from == nullptr || Control::FromHandle(from) == nullptr) {
        return false;
    }
    result = SendMessageW(from, CN_BASE + msg, wParam, lParam);
    return true;
}

UINT DpiOf(HWND window) {
    UINT dpi = 0;
    if (window != nullptr && DpiFunction() != nullptr) {
        dpi = DpiFunction()(window);
    }
    if (dpi == 0) {
        HDC dc = GetDC(nullptr);
        dpi = static_cast<UINT>(GetDeviceCaps(dc, LOGPIXELSY));
        ReleaseDC(nullptr, dc);
    }
    return dpi == 0 ? 96 : dpi;
}

int Scale(HWND window, int pixels) {
    return MulDiv(pixels, static_cast<int>(DpiOf(window)), 96);
}

// ---- Font

Font::Font(const std::wstring& face, int height, BYTE charset, UINT dpi) {
    LOGFONTW lf{};
    lf.lfHeight = MulDiv(height, static_cast<int>(dpi), 96);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = charset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    font_ = CreateFontIndirectW(&lf);
    if (font_ == nullptr) {
        ThrowLastError();
    }
}

Font::Font(Font&& other) noexcept : font_(other.font_) {
    other.font_ = nullptr;
}

Font& Font::operator=(Font&& other) noexcept {
    if (this != &other) {
        if (font_ != nullptr) {
            DeleteObject(font_);
        }
        font_ = other.font_;
        other.font_ = nullptr;
    }
    return *this;
}

Font::~Font() {
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

// ---- Window

Window::~Window() {
    DestroyHandle();
}

void Window::DestroyHandle() noexcept {
    if (hwnd_ != nullptr) {
        HWND h = hwnd_;
        DestroyWindow(h);
        if (hwnd_ == h) { // destroyed from another thread's view or refused: forget it
            SetWindowLongPtrW(h, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
        }
    }
}

bool Window::Visible() const {
    return hwnd_ != nullptr && (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Window::SetVisible(bool visible) {
    if (hwnd_ != nullptr && visible != Visible()) {
        ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
    }
}

void Window::SetBounds(int left, int top, int width, int height) {
    if (hwnd_ != nullptr) {
        SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

std::wstring Window::Text() const {
    if (hwnd_ == nullptr) {
        return {};
    }
    int n = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(hwnd_, text.data(), n + 1);
    text.resize(static_cast<size_t>(n));
    return text;
}

void Window::SetText(const std::wstring& text) {
    if (hwnd_ != nullptr) {
        SetWindowTextW(hwnd_, text.c_str());
    }
}

Window* Window::FromHandle(HWND window) {
    if (window == nullptr) {
        return nullptr;
    }
    WNDPROC proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
    if (proc != &Window::StaticProc) {
        return nullptr;
    }
    return reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Window::RegisterWindowClass(const wchar_t* className, UINT style, HBRUSH background,
                                 HICON icon) {
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(Application::Instance(), className, &wc)) {
        return;
    }
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = &Window::StaticProc;
    wc.hInstance = Application::Instance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.hIcon = icon;
    // The small image drawn for its size, not the large one shrunk by the system.
    HICON smallIcon =
        icon == nullptr
            ? nullptr
            : static_cast<HICON>(CopyImage(icon, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                           GetSystemMetrics(SM_CYSMICON), LR_COPYFROMRESOURCE));
    wc.hIconSm = smallIcon != nullptr ? smallIcon : icon;
    wc.lpszClassName = className;
    if (RegisterClassExW(&wc) == 0) {
        ThrowLastError();
    }
}

void Window::CreateHandle(DWORD exStyle, const wchar_t* className, const std::wstring& text,
                          DWORD style, int left, int top, int width, int height, HWND parent,
                          HMENU menu) {
    HWND h = CreateWindowExW(exStyle, className, text.c_str(), style, left, top, width, height,
                             parent, menu, Application::Instance(), this);
    if (h == nullptr) {
        hwnd_ = nullptr;
        ThrowLastError();
    }
    hwnd_ = h;
}

void Window::Bind(HWND hwnd, Window* window) {
    window->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
}

LRESULT Window::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if ((msg == WM_COMMAND || msg == WM_NOTIFY) &&
        ReflectNotification(msg, wParam, lParam, result)) {
        return result;
    }
    return DefaultProc(msg, wParam, lParam);
}

LRESULT Window::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK Window::StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr && msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        void* param = cs->lpCreateParams;
        if ((cs->dwExStyle & WS_EX_MDICHILD) != 0 && param != nullptr) {
            param = reinterpret_cast<void*>(static_cast<MDICREATESTRUCTW*>(param)->lParam);
        }
        self = static_cast<Window*>(param);
        if (self != nullptr) {
            Bind(hwnd, self);
        }
    }
    if (self == nullptr) {
        if ((GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0) {
            return DefMDIChildProcW(hwnd, msg, wParam, lParam);
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    ++HandlerDepthRef();
    LRESULT result = 0;
    bool done = false;
    try {
        result = self->WndProc(msg, wParam, lParam);
        done = true;
    } catch (...) {
        ReportCurrentException();
    }
    if (!done) {
        try {
            result = self->DefaultProc(msg, wParam, lParam);
        } catch (...) {
            result = 0;
        }
    }
    --HandlerDepthRef();
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (self->hwnd_ == hwnd) {
            self->hwnd_ = nullptr;
        }
        self->WindowDestroyed();
        return result;
    }
    if (self->deleteAfterMessage_ && HandlerDepthRef() == 0) {
        // Cleared first: the destruction sends this window messages of its own.
        self->deleteAfterMessage_ = false;
        delete self;
    }
    return result;
}

int& HandlerDepthRef() {
    static int depth = 0;
    return depth;
}

int HandlerDepth() {
    return HandlerDepthRef();
}

// ---- Control

Control::~Control() {
    DestroyControl();
}

void Control::DestroyControl() noexcept {
    if (hwnd_ != nullptr) {
        HWND h = hwnd_;
        DestroyWindow(h);
        if (hwnd_ == h) {
            Unsubclass(h);
            hwnd_ = nullptr;
        }
    }
}

bool Control::Visible() const {
    return hwnd_ != nullptr && (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Control::SetVisible(bool visible) {
    if (hwnd_ != nullptr && visible != Visible()) {
        ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
    }
}

bool Control::Enabled() const {
    return hwnd_ != nullptr && IsWindowEnabled(hwnd_) != FALSE;
}

void Control::SetEnabled(bool enabled) {
    if (hwnd_ != nullptr) {
        EnableWindow(hwnd_, enabled ? TRUE : FALSE);
    }
}

void Control::SetBounds(int left, int top, int width, int height) {
    if (hwnd_ != nullptr) {
        SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

RECT Control::BoundsInParent() const {
    RECT r{};
    if (hwnd_ != nullptr) {
        GetWindowRect(hwnd_, &r);
        MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

void Control::SetFont(HFONT font) {
    if (hwnd_ != nullptr) {
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void Control::SetFocus() {
    if (hwnd_ != nullptr) {
        ::SetFocus(hwnd_);
    }
}

Control* Control::FromHandle(HWND window) {
    if (window == nullptr) {
        return nullptr;
    }
    auto& map = Subclassed();
    auto it = map.find(window);
    return it == map.end() || it->second.part != 0 ? nullptr : it->second.control;
}

void Control::CreateControl(DWORD exStyle, const wchar_t* className, const std::wstring& text,
                            DWORD style, int left, int top, int width, int height, HWND parent,
                            UINT id) {
    DestroyControl();
    HWND h = CreateWindowExW(exStyle, className, text.c_str(), style, left, top, width, height,
                             parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                             Application::Instance(), nullptr);
    if (h == nullptr) {
        ThrowLastError();
    }
    hwnd_ = h;
    Subclass(h, 0);
}

void Control::Subclass(HWND window, UINT_PTR part) {
    auto& map = Subclassed();
    if (map.count(window) != 0) {
        return;
    }
    auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
    map[window] = SubclassEntry{this, part, original};
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::SubclassProc));
}

void Control::Unsubclass(HWND window) noexcept {
    auto& map = Subclassed();
    auto it = map.find(window);
    if (it == map.end()) {
        return;
    }
    if (GetWindowLongPtrW(window, GWLP_WNDPROC) ==
        reinterpret_cast<LONG_PTR>(&Control::SubclassProc)) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.original));
    }
    map.erase(it);
}

LRESULT Control::DefaultMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto& map = Subclassed();
    auto it = map.find(window);
    if (it == map.end()) {
        return DefWindowProcW(window, msg, wParam, lParam);
    }
    return CallWindowProcW(it->second.original, window, msg, wParam, lParam);
}

bool Control::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

bool Control::HandleChildMessage(UINT_PTR, HWND, UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

LRESULT CALLBACK Control::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto& map = Subclassed();
    auto found = map.find(hwnd);
    if (found == map.end()) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    SubclassEntry entry = found->second; // the map may change while the message is handled
    Control* self = entry.control;
    UINT_PTR id = entry.part;
    if (msg == WM_NCDESTROY) {
        Unsubclass(hwnd);
        if (id == 0 && self->hwnd_ == hwnd) {
            self->hwnd_ = nullptr;
        }
        return CallWindowProcW(entry.original, hwnd, msg, wParam, lParam);
    }
    ++HandlerDepthRef();
    LRESULT result = 0;
    bool handled = false;
    try {
        if (id == 0) {
            if ((msg == WM_COMMAND || msg == WM_NOTIFY)) {
                HWND from = msg == WM_COMMAND ? reinterpret_cast<HWND>(lParam)
                                              : reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
                if (from != hwnd) {
                    handled = ReflectNotification(msg, wParam, lParam, result);
                }
            }
            if (!handled) {
                handled = self->HandleMessage(msg, wParam, lParam, result);
            }
        } else {
            handled = self->HandleChildMessage(id, hwnd, msg, wParam, lParam, result);
        }
    } catch (...) {
        ReportCurrentException();
        handled = false;
    }
    --HandlerDepthRef();
    if (!handled) {
        result = CallWindowProcW(entry.original, hwnd, msg, wParam, lParam);
    }
    return result;
}

} // namespace tk
