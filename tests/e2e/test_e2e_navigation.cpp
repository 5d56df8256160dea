// The real program with the stand-in engine registered as the platform's WebBrowser class:
// a page's pop-up request asked about or blocked, and addresses typed into a window's address
// box loaded, recorded and saved with the history at exit.
#include "win32/support/modal.h"
#include "win32/support/program_run.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using kvtest::ClassOf;
using kvtest::kStartMs;
using kvtest::kStepMs;
using kvtest::WaitFor;

class Program : public kvtest::ProgramRun {
public:
    Program() : kvtest::ProgramRun(L"kvnave2e") {}
};

// The edit part of a browser window's address box.
HWND AddressEdit(HWND window) {
    struct Find {
        HWND edit = nullptr;
    } f;
    EnumChildWindows(
        window,
        [](HWND w, LPARAM lp) -> BOOL {
            if (ClassOf(w) == L"ComboBox") {
                HWND edit = FindWindowExW(w, nullptr, L"Edit", nullptr);
                if (edit) {
                    reinterpret_cast<Find*>(lp)->edit = edit;
                    return FALSE;
                }
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.edit;
}

std::wstring EditText(HWND edit) {
    wchar_t buf[1024] = {};
    SendMessageW(edit, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf));
    return buf;
}

void TypeAndEnter(HWND edit, const std::wstring& text) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
}

TEST(E2ENavigation, PopupIsAskedAboutAndOpensAWindowOnConsent) {
    Program p;
    p.SetPages("http://pop.example/\tPop\tpopup=http://child.example/\n");
    ASSERT_TRUE(p.Start({L"http://pop.example/"}, 2));
    EXPECT_EQ(p.Answer(L"弹出窗口", IDOK), L"允许弹出窗口么？");
    EXPECT_TRUE(WaitFor([&] { return p.Windows().size() == 3; }, kStepMs));
    EXPECT_TRUE(WaitFor([&] { return p.Logged("Navigate2 http://child.example/"); }, kStepMs));
    ASSERT_TRUE(p.Exit());
    // Neither the address from the command line nor the pop-up's page was entered by the user.
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""),
              "http://www.baidu.com/s?tn=trevox_pg\r\n");
}

TEST(E2ENavigation, BlockedPopupOpensNothingAndAsksNothing) {
    Program p;
    kvtest::WriteBytes(p.Work() + L"kvbr.ini", "TabTop=0\r\nTabLeft=0\r\nN10=1\r\nN14=1\r\n");
    p.SetPages("http://pop.example/\tPop\tpopup=http://child.example/\n");
    ASSERT_TRUE(p.Start({L"http://pop.example/"}, 2));
    // The stand-in logs each event it raises; 251 is the new-window request.
    ASSERT_TRUE(WaitFor([&] { return p.Logged("Event 251"); }, kStepMs));
    Sleep(500);
    EXPECT_EQ(kvtest::FindDialog(L"弹出窗口"), nullptr);
    EXPECT_EQ(p.Windows().size(), 2u);
    EXPECT_FALSE(p.Logged("Navigate2 http://child.example/"));
    ASSERT_TRUE(p.Exit());
}

TEST(E2ENavigation, TypedAddressesAreLoadedRecordedAndSaved) {
    Program p;
    ASSERT_TRUE(p.Start({}, 1));
    // The window exists before its controls do.
    HWND edit = nullptr;
    WaitFor([&] { return (edit = AddressEdit(p.Windows().front())) != nullptr; }, kStepMs);
    ASSERT_NE(edit, nullptr);
    // The blank page's end puts its address into the box: typing before it (a loaded machine
    // starts slowly) would be undone, and Enter would load the blank page again. 259 is the
    // stand-in's document-complete event.
    ASSERT_TRUE(WaitFor([&] { return p.Logged("Event 259"); }, kStartMs));
    const std::string search = "http://www.baidu.com/baidu?tn=trevox_dg&word=kvword";
    TypeAndEnter(edit, L"kvword");
    ASSERT_TRUE(WaitFor([&] { return p.Logged("Navigate2 " + search); }, kStepMs));
    // The finished load puts its address into the box; typing before that would be undone.
    std::wstring searchText(search.begin(), search.end());
    ASSERT_TRUE(WaitFor([&] { return EditText(edit) == searchText; }, kStepMs));
    TypeAndEnter(edit, L"news.example.org");
    ASSERT_TRUE(WaitFor([&] { return p.Logged("Navigate2 news.example.org"); }, kStepMs));
    ASSERT_TRUE(p.Exit());
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""),
              "news.example.org\r\n" + search + "\r\nhttp://www.baidu.com/s?tn=trevox_pg\r\n");
}

} // namespace
