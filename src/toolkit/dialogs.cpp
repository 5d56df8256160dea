#include "toolkit/dialogs.h"

#include "toolkit/application.h"

namespace tk {

// windows.h maps the name to MessageBoxW; the platform's function is called explicitly.
int MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags) {
    const std::wstring& title = caption.empty() ? Application::Title() : caption;
    return ::MessageBoxW(Application::ActiveOwner(), text.c_str(), title.c_str(), flags);
}

} // namespace tk
