// The frame's search buttons and site list in this process, against the stand-in engine:
// every search and every site opens a new numbered window at the address it builds.
#include "common/core/search_config.h"
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"
#include "toolkit/application.h"
#include "toolkit/system_codec.h"
#include "win32/support/frame_start.h"
#include "win32/support/engines.h"
#include "win32/support/modal.h"
#include "win32/support/pump.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// The built-in site items in the system's code page: GBK bytes on a Chinese system, one "?" per
// Chinese character on a Western one.
std::vector<std::string> BuiltInSiteItems() {
    if (GetACP() == 936) {
        return {"Quelmar\xc8\xed\xbc\xfe:www.quelmar.com", "\xb0\xd9\xb6\xc8:baidu.com",
                "\xcb\xd1\xba\xfc:sohu.com"};
    }
    return {"Quelmar??:www.quelmar.com", "??:baidu.com", "??:sohu.com"};
}

using kvtest::DrainQuit;

std::wstring Wide(const std::string& ansi) {
    return tk::SystemCodec().FromAnsi(ansi);
}
std::string Ansi(const std::wstring& text) {
    return tk::SystemCodec().ToAnsi(text);
}

// What the engine of a window was asked to load, in order.
std::vector<stub::NavigateCall> NavigationsOf(TMDIChild* w) {
    stub::Engine* e = kvtest::EngineOf(w->WebBrowser1->DefaultInterface());
    return e ? e->Navigations() : std::vector<stub::NavigateCall>{};
}

class SearchTest : public testing::Test {
protected:
    void SetUp() override {
        kvtest::ResetModals();
        stub::ClearPages();
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        folder_ =
            std::wstring(temp) + L"kvsearch-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(folder_.c_str(), nullptr);
        kvtest::ShowFrame(frame_, kvtest::FrameStartIn(folder_));
        first_ = frame_->ActiveBrowserWindow();
        ASSERT_NE(first_, nullptr);
    }
    void TearDown() override {
        frame_.reset();
        DrainQuit();
        stub::ClearPages();
        DeleteFileW((folder_ + L"kvbr.ini").c_str());
        RemoveDirectoryW(folder_.c_str());
        EXPECT_EQ(kvtest::PendingModals(), 0u);
    }

    // Runs a frame command and returns the window it opened, which must be the new active one
    // numbered after the windows open before.
    TMDIChild* Opened(void (TMainForm::*command)()) {
        int before = frame_->BrowserWindowCount();
        (frame_.get()->*command)();
        if (frame_->BrowserWindowCount() != before + 1) {
            ADD_FAILURE() << "no new window";
            return nullptr;
        }
        TMDIChild* w = frame_->ActiveBrowserWindow();
        EXPECT_NE(w, first_);
        EXPECT_EQ(w->Caption(), L"KV-" + std::to_wstring(before + 1));
        EXPECT_EQ(frame_->TabWindows().back(), w);
        return w;
    }
    // The one navigation of a window opened for a search or a site.
    static stub::NavigateCall OnlyNavigation(TMDIChild* w) {
        std::vector<stub::NavigateCall> calls = NavigationsOf(w);
        EXPECT_EQ(calls.size(), 1u);
        return calls.empty() ? stub::NavigateCall{} : calls.back();
    }
    std::wstring SiteChosen(int index) {
        frame_->ComboBox1.SetItemIndex(index);
        TMDIChild* w = Opened(&TMainForm::ComboBox1CloseUp);
        return w ? OnlyNavigation(w).url : L"<no window>";
    }

    stub::ScopedRegistration engine_;
    std::wstring folder_;
    std::unique_ptr<TMainForm> frame_;
    TMDIChild* first_ = nullptr;
};

TEST_F(SearchTest, EachButtonAppendsTheWordToItsPrefix) {
    EXPECT_EQ(frame_->Edit2.Text(), L"电影");
    const std::wstring word = Wide(Ansi(L"电影"));
    if (GetACP() == 936) {
        EXPECT_EQ(word, L"电影");
    }
    struct Button {
        void (TMainForm::*click)();
        std::string prefix;
        const wchar_t* method;
    };
    // "网页" alone goes through the plain navigate with its optional arguments missing.
    const Button buttons[] = {
        {&TMainForm::SpeedButton1Click,
         "http://search.cn.yahoo.com/click/search.htm?m=1001335&fw=union&st=0&p=1006&name=",
         L"Navigate"},
        {&TMainForm::SpeedButton2Click,
         "http://search.cn.yahoo.com/click/search.htm?m=1001335&fw=union&st=2&p=1006&name=",
         L"Navigate2"},
        {&TMainForm::SpeedButton3Click,
         "http://search.cn.yahoo.com/click/search.htm?m=1001335&fw=union&st=1&p=1006&name=",
         L"Navigate2"},
        {&TMainForm::SpeedButton4Click,
         "http://www.baidu.com/baidu?tn=trevox_dg&word=", L"Navigate2"},
    };
    for (const Button& b : buttons) {
        SCOPED_TRACE(b.prefix);
        TMDIChild* w = Opened(b.click);
        ASSERT_NE(w, nullptr);
        stub::NavigateCall call = OnlyNavigation(w);
        EXPECT_EQ(call.method, b.method);
        EXPECT_EQ(call.url, Wide(b.prefix) + word);
        if (call.method == L"Navigate") {
            for (VARTYPE t : call.optionalTypes) {
                EXPECT_EQ(t, VT_ERROR);
            }
        }
    }
    EXPECT_EQ(frame_->BrowserWindowCount(), 5);
}

TEST_F(SearchTest, WordGoesInExactlyAsTyped) {
    for (const std::wstring& word :
         {std::wstring(L"  two words "), std::wstring(L"a&b=c%20"), std::wstring()}) {
        frame_->Edit2.SetText(word);
        TMDIChild* w = Opened(&TMainForm::SpeedButton2Click);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(OnlyNavigation(w).url,
                  L"http://search.cn.yahoo.com/click/search.htm?m=1001335&fw=union&st=2&p=1006&"
                  L"name=" +
                      word);
    }
}

TEST_F(SearchTest, SiteItemsOpenTheirAddresses) {
    const kv::AnsiCodec& codec = tk::SystemCodec();
    EXPECT_EQ(frame_->SiteItems(), BuiltInSiteItems());
    EXPECT_EQ(SiteChosen(0), L"www.quelmar.com");
    // The built-in Baidu item is the bare domain: it opens the partner home page.
    EXPECT_EQ(SiteChosen(1), L"http://www.baidu.com/s?tn=trevox_pg");
    // Choosing it again without a change opens it again in another window.
    EXPECT_EQ(SiteChosen(1), L"http://www.baidu.com/s?tn=trevox_pg");
    EXPECT_EQ(SiteChosen(2), L"sohu.com");

    std::string tail(300, 'a');
    frame_->SetSiteItems({
        codec.ToAnsi(L"新浪:http://www.sina.com.cn/"),
        "http://only.example/path",
        codec.ToAnsi(L"长:") + tail,
        "no colon here.example",
        codec.ToAnsi(L"首页:www.baidu.com"),
    });
    EXPECT_EQ(SiteChosen(0), L"http://www.sina.com.cn/");
    // No name: the text after the first ":", the scheme's.
    EXPECT_EQ(SiteChosen(1), L"//only.example/path");
    EXPECT_EQ(SiteChosen(2), std::wstring(255, L'a'));
    EXPECT_EQ(SiteChosen(3), L"no colon here.example");
    EXPECT_EQ(SiteChosen(4), L"http://www.baidu.com/s?tn=trevox_pg");
}

TEST_F(SearchTest, NoSelectionOpensNothing) {
    frame_->SetSiteItems({"a:a.example", ""});
    frame_->ComboBox1.SetItemIndex(-1);
    frame_->ComboBox1CloseUp();
    frame_->ComboBox1.SetItemIndex(1); // an empty line
    frame_->ComboBox1CloseUp();
    EXPECT_EQ(frame_->BrowserWindowCount(), 1);
}

// The rule is on the text the list shows: a line of NUL bytes shows nothing and opens nothing;
// a line with a NUL inside opens what is shown before it.
TEST_F(SearchTest, LineThatShowsNothingOpensNothing) {
    frame_->SetSiteItems({std::string("\0\0\0", 3), std::string("\0a:b.example", 12),
                          std::string("a:b.example\0tail", 16)});
    for (int index : {0, 1}) {
        frame_->ComboBox1.SetItemIndex(index);
        EXPECT_EQ(frame_->ComboBox1.Text(), L"");
        frame_->ComboBox1CloseUp();
    }
    EXPECT_EQ(frame_->BrowserWindowCount(), 1);
    EXPECT_EQ(SiteChosen(2), L"b.example");
}

} // namespace
