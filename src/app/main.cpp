// Program entry: OLE for the user-interface thread, common controls, the application object,
// the frame, the message loop.
#include "app/browser_emulation.h"
#include "app/main_form.h"
#include "host/shell_dde.h"
#include "toolkit/application.h"
#include "toolkit/error.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // Once for the process, before the first engine is created.
    HRESULT ole = OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                              ICC_TAB_CLASSES | ICC_USEREX_CLASSES |
                                              ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    tk::Application::Initialize(instance);
    // Without its entry the engine falls back to the oldest document mode; starting is more
    // important than the mode, so a registry that cannot be written is no reason to stop.
    static_cast<void>(kv::EnsureBrowserEmulation());

    int exitCode = 0;
    TMainForm* frame = nullptr;
    tk::Guard([&] { frame = new TMainForm(); });
    if (frame != nullptr) {
        tk::Guard([&] { frame->Show(showCommand); });
        if (!tk::Application::Terminated()) {
            exitCode = tk::Application::Run();
        }
    }
    tk::Guard([&] { delete frame; });
    host::ClearShellDdeConfig();
    if (SUCCEEDED(ole)) {
        OleUninitialize(); // errors at the very end are of no interest
    }
    return exitCode;
}
