// The watch over the dialogs the engine opens above the host's form: they get the host's icon
// and caption, or are closed.
#include "host/embedded_browser.h"

#include "host/core/dialog_caption.h"
#include "toolkit/dialog_origin.h"
#include "toolkit/error.h"
#include "toolkit/forms.h"

#include <commctrl.h>

#include <string>

namespace host {
namespace {

bool IsDialogWindow(HWND w) {
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    return lstrcmpW(cls, L"#32770") == 0;
}

std::wstring WindowText(HWND w) {
    int n = GetWindowTextLengthW(w);
    std::wstring text(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
    int got = GetWindowTextW(w, text.data(), n + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

HICON ApplicationIcon() {
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    return icon != nullptr ? icon : LoadIconW(nullptr, MAKEINTRESOURCEW(32512)); // IDI_APPLICATION
}

} // namespace

// The form the host is placed on. An MDI child is never activated as a top-level window: its
// frame is, so the frame's activations are watched for it. A box activated over another box
// never reaches the frame's activation: the thread's dialog watch tells of it.
void TEmbeddedBrowser::StartWatching() {
    HWND form = Parent();
    if (form != nullptr && (GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0) {
        // A frame of the toolkit's tells its watchers; another frame is not watched.
        HWND frame = GetAncestor(form, GA_ROOT);
        if (auto* f = dynamic_cast<tk::Form*>(tk::Window::FromHandle(frame))) {
            owner_ = frame;
            mdiForm_ = form;
            frameWatcher_ = f->AddDeactivationWatcher(
                [this](HWND activated) { WatchActivation(activated, IsFrontForm()); });
        }
    } else if (form != nullptr && IsWindow(form) &&
               SetWindowSubclass(form, &OwnerHookProc, reinterpret_cast<UINT_PTR>(this),
                                 reinterpret_cast<DWORD_PTR>(this))) {
        owner_ = form;
    }
    if (owner_ != nullptr) {
        tk::WatchDialogCreation();
        dialogWatcher_ = tk::AddDialogActivationWatcher([this](HWND dialog) {
            if (owner_ != nullptr) {
                WatchActivation(dialog, mdiForm_ == nullptr || IsFrontForm());
            }
        });
    }
}

// The host's form is the frame's active child.
bool TEmbeddedBrowser::IsFrontForm() const {
    HWND client = GetParent(mdiForm_);
    return client != nullptr &&
           reinterpret_cast<HWND>(SendMessageW(client, WM_MDIGETACTIVE, 0, 0)) == mdiForm_;
}

LRESULT CALLBACK TEmbeddedBrowser::OwnerHookProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR id, DWORD_PTR data) {
    auto* self = reinterpret_cast<TEmbeddedBrowser*>(data);
    if (msg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) {
        tk::Guard([&] { self->WatchActivation(reinterpret_cast<HWND>(lParam), true); });
        // The host may be gone now; only the previous procedure runs.
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &OwnerHookProc, id);
        self->owner_ = nullptr;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

void TEmbeddedBrowser::StopWatching() noexcept {
    if (dialogWatcher_ != 0) {
        tk::RemoveDialogActivationWatcher(dialogWatcher_);
        dialogWatcher_ = 0;
    }
    if (owner_ == nullptr) {
        return;
    }
    if (mdiForm_ == nullptr) {
        if (IsWindow(owner_)) {
            RemoveWindowSubclass(owner_, &OwnerHookProc, reinterpret_cast<UINT_PTR>(this));
        }
    } else if (auto* f = dynamic_cast<tk::Form*>(tk::Window::FromHandle(owner_))) {
        f->RemoveDeactivationWatcher(frameWatcher_);
    }
    owner_ = nullptr;
}

// Whether a dialog of this thread is one of the engine's boxes that this host looks after. The
// program's own boxes (and the boxes they own) are not; an engine box's owners lead to the
// host's form or its frame. Of the hosts on one frame, the one whose window the box was made
// for takes it; a box made for the frame itself goes to the host of the active window.
bool TEmbeddedBrowser::IsEngineDialogOfThisHost(HWND dialog, bool front) const {
    if (dialog == nullptr || !IsDialogWindow(dialog) ||
        GetWindowThreadProcessId(dialog, nullptr) != GetCurrentThreadId() ||
        tk::IsOwnDialog(dialog)) {
        return false;
    }
    bool reachesOwner = false;
    for (HWND w = GetWindow(dialog, GW_OWNER); w != nullptr; w = GetWindow(w, GW_OWNER)) {
        if (w == owner_) {
            reachesOwner = true;
            break;
        }
    }
    if (!reachesOwner) {
        return false;
    }
    if (mdiForm_ == nullptr) {
        return true;
    }
    for (HWND w = tk::DialogCreationOwner(dialog); w != nullptr && w != owner_; w = GetParent(w)) {
        if ((GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0) {
            return w == mdiForm_;
        }
    }
    return front;
}

// A window is being activated above the host's form: the engine's dialogs get the host's icon
// and caption, or are closed. front: the host is the one the user sees on its frame.
void TEmbeddedBrowser::WatchActivation(HWND activated, bool front) {
    if (IsEngineDialogOfThisHost(activated, front)) {
        if (MessagesBoxes.DisableAll) {
            SendMessageW(activated, WM_CLOSE, 0, 0);
        }
        if (MessagesBoxes.ReplaceIcon && IsWindow(activated)) {
            SendMessageW(activated, WM_SETICON, ICON_SMALL,
                         reinterpret_cast<LPARAM>(ApplicationIcon()));
        }
        if (MessagesBoxes.ReplaceCaption && IsWindow(activated)) {
            std::wstring title = WindowText(activated);
            std::wstring caption = DialogCaption(title, MessagesBoxes.NewCaption);
            if (DisableErrors.ScriptError && IsErrorDialogTitle(title)) {
                SendMessageW(activated, WM_CLOSE, 0, 0);
            }
            if (IsWindow(activated)) {
                SetWindowTextW(activated, caption.c_str());
            }
        }
        if (OnShowDialog) {
            TShowDialogEvent handler = OnShowDialog;
            handler(*this, activated);
        }
        return;
    }
    if (activated != nullptr && front && OnShowDialog) {
        TShowDialogEvent handler = OnShowDialog;
        handler(*this, activated);
    }
}

} // namespace host
