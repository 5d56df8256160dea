// Entry point of every Win32 test executable: OLE for the UI thread, common controls, the
// modal box watch, then GoogleTest.
#include "win32/support/modal.h"

#include "toolkit/application.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <ole2.h>

#include <cstdio>

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    testing::InitGoogleTest(&argc, argv);
    if (FAILED(OleInitialize(nullptr))) {
        std::fprintf(stderr, "OleInitialize failed\n");
        return 2;
    }
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                              ICC_TAB_CLASSES | ICC_USEREX_CLASSES |
                                              ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    tk::Application::Initialize(GetModuleHandleW(nullptr));
    kvtest::InstallModalWatch();
    int rc = RUN_ALL_TESTS();
    OleUninitialize();
    return rc;
}
