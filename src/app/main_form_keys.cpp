// The frame's own keys: the message loop offers each key to the frame before the menu's
// shortcuts, the MDI, the page and the focused control; which key means what is decided by
// kv::FrameKeyCommand from where the focus is.
#include "app/core/frame_keys.h"
#include "app/core/tab_caption.h"
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "toolkit/application.h"
#include "toolkit/system_codec.h"

#include <algorithm>

namespace {

bool Down(int vk) {
    return GetKeyState(vk) < 0;
}

} // namespace

void TMainForm::InstallFrameKeys() {
    frameKeysFilter_ =
        tk::Application::AddMessageFilter([this](MSG& msg) { return FrameKeyMessage(msg); });
}

kv::KeyFocus TMainForm::KeyFocusOf(HWND window, bool& listOpen) const {
    listOpen = false;
    HWND frame = tk::Form::Handle();
    // The engine's window carries the toolkit's key target: keys typed into the page.
    for (HWND w = window; w != nullptr && w != frame; w = GetAncestor(w, GA_PARENT)) {
        if (GetPropW(w, tk::kKeyTargetProp) != nullptr) {
            return kv::KeyFocus::Page;
        }
    }
    if (Edit2.HandleAllocated() && window == Edit2.Handle()) {
        return kv::KeyFocus::SearchBox;
    }
    for (tk::MDIChildForm* c : Children()) {
        auto* child = static_cast<TMDIChild*>(c);
        if (window == child->Handle()) {
            return kv::KeyFocus::Window;
        }
        HWND box = child->URLS.HandleAllocated() ? child->URLS.Handle() : nullptr;
        if (box != nullptr && (window == box || IsChild(box, window))) {
            listOpen = SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0) != 0;
            return kv::KeyFocus::AddressBox;
        }
    }
    return kv::KeyFocus::Other;
}

bool TMainForm::FrameKeyMessage(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) {
        return false;
    }
    HWND frame = tk::Form::Handle();
    // Not while a modal box of the program is open, and not for other top-level windows.
    if (frame == nullptr || !IsWindowEnabled(frame) ||
        (msg.hwnd != frame && !IsChild(frame, msg.hwnd))) {
        return false;
    }
    kv::KeyPress key;
    key.virtualKey = static_cast<unsigned>(msg.wParam);
    key.ctrl = Down(VK_CONTROL);
    key.shift = Down(VK_SHIFT);
    key.alt = Down(VK_MENU) || (msg.message == WM_SYSKEYDOWN && (msg.lParam & (1 << 29)) != 0);
    kv::KeyFocus focus = KeyFocusOf(msg.hwnd, key.listOpen);
    kv::FrameCommand command = kv::FrameKeyCommand(key, focus);
    if (command == kv::FrameCommand::None) {
        return false;
    }
    if (msg.message == WM_SYSKEYDOWN) {
        // The system's default handling of this key, without its menu mnemonic: releasing Alt
        // afterwards must not open the menu bar as a lone Alt press does.
        DefWindowProcW(frame, WM_SYSKEYDOWN, msg.wParam, msg.lParam);
    }
    RunFrameCommand(command);
    return true;
}

void TMainForm::RunFrameCommand(kv::FrameCommand command) {
    if (command == kv::FrameCommand::ReopenClosed) {
        ReopenClosedWindow();
        return;
    }
    TMDIChild* w = ActiveBrowserWindow();
    if (w == nullptr) {
        return;
    }
    switch (command) {
    case kv::FrameCommand::FocusAddress:
        FocusAddressBox(w);
        break;
    case kv::FrameCommand::NextWindow:
    case kv::FrameCommand::PreviousWindow: {
        std::vector<TMDIChild*> order = TabWindows();
        auto it = std::find(order.begin(), order.end(), w);
        if (it == order.end() || order.size() < 2) {
            break;
        }
        size_t n = order.size();
        size_t i = static_cast<size_t>(it - order.begin());
        size_t next = command == kv::FrameCommand::NextWindow ? (i + 1) % n : (i + n - 1) % n;
        order[next]->Activate();
        break;
    }
    case kv::FrameCommand::CloseWindow:
        // The route of the window's close button.
        SendMessageW(w->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case kv::FrameCommand::Refresh:
        w->RefreshAction.Execute();
        break;
    case kv::FrameCommand::Stop:
        w->StopAction.Execute();
        break;
    case kv::FrameCommand::Back:
        w->ToolBar1.ClickButton(w->BackBtn); // only while Back is enabled
        break;
    case kv::FrameCommand::Forward:
        w->ToolBar1.ClickButton(w->ForwardBtn);
        break;
    case kv::FrameCommand::ReopenClosed:
    case kv::FrameCommand::None:
        break;
    }
}

void TMainForm::FocusAddressBox(TMDIChild* window) {
    // A hidden address bar keeps the focus where it is.
    if (!window->CoolBar1Visible() || !window->URLS.HandleAllocated()) {
        return;
    }
    HWND box = window->URLS.Handle();
    HWND edit = window->URLS.EditHandle() != nullptr ? window->URLS.EditHandle() : box;
    SetFocus(edit);
    SendMessageW(box, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

void TMainForm::ReopenClosedWindow() {
    std::optional<std::string> address = closedWindows_.Pop();
    if (!address) {
        return;
    }
    TMDIChild* w =
        OpenBrowserWindow(kv::WindowCaption(kv::kWindowCaptionPrefix, BrowserWindowCount()));
    w->WebBrowser1->NavigateUrl(tk::SystemCodec().FromAnsi(*address));
}
