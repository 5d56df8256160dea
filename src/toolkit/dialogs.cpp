#include "toolkit/dialogs.h"

#include "toolkit/application.h"
#include "toolkit/dialog_origin.h"

namespace tk {
namespace {
int ownDialogs = 0; // the UI thread's own dialogs now open, nested
} // namespace

OwnDialogScope::OwnDialogScope(bool everyBox) {
    ++ownDialogs;
    detail::BeginOwnDialogs(everyBox);
}
OwnDialogScope::~OwnDialogScope() {
    detail::EndOwnDialogs();
    --ownDialogs;
}
bool OwnDialogScope::Active() {
    return ownDialogs > 0;
}

// windows.h maps the name to MessageBoxW; the platform's function is called explicitly.
int MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags) {
    const std::wstring& title = caption.empty() ? Application::Title() : caption;
    OwnDialogScope own;
    return ::MessageBoxW(Application::ActiveOwner(), text.c_str(), title.c_str(), flags);
}

} // namespace tk
