// The host's answers to the engine's host calls, through the stand-in engine that asks its
// site for them as the platform's engine does: host info, ambients, context menus, the
// shortcut filter, script error, refresh and unload commands, text size, messages, the watch
// over dialogs opened above the host's form, and errors inside answers.
#include "host/embedded_browser.h"
#include "toolkit/dialogs.h"
#include "toolkit/error.h"
#include "engine_stub/engine_stub.h"
#include "win32/support/dialog_box.h"
#include "win32/support/modal.h"
#include "win32/support/parent_window.h"
#include "win32/support/pump.h"

#include <gtest/gtest.h>

#include <float.h>
#include <olectl.h>
#include <mshtmhst.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

const GUID kDocHostCommandHandler = {
    0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};
const IID kIidDocHostShowUI = {
    0xC4D244B0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};
const GUID kExplorer = {0x000214D0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr HRESULT kNotSupported = static_cast<HRESULT>(0x80040100);
constexpr HRESULT kUnknownGroup = static_cast<HRESULT>(0x80040104);

bool LogHas(const std::wstring& entry) {
    for (const auto& line : stub::CallLog()) {
        if (line == entry) {
            return true;
        }
    }
    return false;
}

int LogCount(const std::wstring& prefix) {
    int n = 0;
    for (const auto& line : stub::CallLog()) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            ++n;
        }
    }
    return n;
}

class HostAnswers : public ::testing::Test {
protected:
    void SetUp() override {
        stub::ClearPages();
        stub::ClearCallLog();
        kvtest::ResetModals();
    }
    void TearDown() override { EXPECT_EQ(kvtest::PendingModals(), 0u); }

    std::unique_ptr<host::TEmbeddedBrowser> MakeHost() {
        auto b = std::make_unique<host::TEmbeddedBrowser>();
        b->SetParent(parent_.get());
        b->SetBounds(0, 0, 600, 400);
        b->Handle();
        return b;
    }

    stub::ScopedRegistration registration_;
    kvtest::ParentWindow parent_;
};

TEST_F(HostAnswers, TheEngineGetsTheHostInterfacesWhenItsSiteIsSet) {
    auto b = MakeHost();
    std::vector<std::wstring> log = stub::CallLog();
    auto at = [&](const std::wstring& e) {
        return std::find(log.begin(), log.end(), e) - log.begin();
    };
    EXPECT_TRUE(LogHas(L"Site IDocHostUIHandler yes"));
    EXPECT_TRUE(LogHas(L"Site IOleCommandTarget yes"));
    EXPECT_TRUE(LogHas(L"Site IPropertyNotifySink yes"));
    EXPECT_LT(at(L"SetClientSite"), at(L"Site IDocHostUIHandler yes"));
    EXPECT_LT(at(L"Site IDocHostUIHandler yes"), at(L"InitNew"));
    // The host does not answer -5501 and -5502; the engine reads them all the same.
    EXPECT_TRUE(LogHas(L"Ambient -5501 none"));
    EXPECT_TRUE(LogHas(L"Ambient -5502 none"));
    // The download control was given to the engine once it was complete.
    ASSERT_TRUE(stub::Last()->DownloadControl().has_value());
    EXPECT_EQ(*stub::Last()->DownloadControl(), 0x70);
}

TEST_F(HostAnswers, HostInfoAndDownloadControlFollowTheOptions) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    DOCHOSTUIINFO info{};
    info.dwDoubleClick = 7;
    EXPECT_EQ(e->HostGetHostInfo(&info), S_OK);
    EXPECT_EQ(info.cbSize, sizeof(void*) == 8 ? 32u : 20u);
    EXPECT_EQ(info.dwFlags, 0x40000000u); // no options; the program is DPI aware
    EXPECT_EQ(info.dwDoubleClick, 0u);

    b->SetUserInterfaceOptions({host::TUserInterfaceOption::NO3DBORDER,
                                host::TUserInterfaceOption::SCROLL_NO,
                                host::TUserInterfaceOption::THEME});
    EXPECT_EQ(b->HostUIFlagsValue(), 0x4000Cu);
    EXPECT_EQ(e->HostGetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, 0x4004000Cu);

    b->SetDownloadOptions({host::TDownloadControlOption::DLCTL_NO_SCRIPTS,
                           host::TDownloadControlOption::DLCTL_SILENT});
    ASSERT_TRUE(e->DownloadControl().has_value());
    EXPECT_EQ(*e->DownloadControl(), 0x40000080);
    VARIANT v = e->Ambient(-5512);
    EXPECT_EQ(V_VT(&v), VT_I4);
    EXPECT_EQ(V_I4(&v), 0x40000080);
    auto changes = e->AmbientChanges();
    EXPECT_EQ(std::count(changes.begin(), changes.end(), -5512), 3); // complete, two setters

    // A handler's answer; the fields are filled before it runs.
    b->OnGetHostInfo = [](DOCHOSTUIINFO* p) {
        EXPECT_EQ(p->dwFlags, 0x4004000Cu);
        p->dwDoubleClick = 3;
        return E_ACCESSDENIED;
    };
    EXPECT_EQ(e->HostGetHostInfo(&info), E_ACCESSDENIED);
    EXPECT_EQ(info.dwDoubleClick, 3u);
}

TEST_F(HostAnswers, AmbientsOtherThanDownloadControlGoToTheHandlerOrTheStandardAnswers) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    VARIANT user = e->Ambient(DISPID_AMBIENT_USERMODE);
    EXPECT_EQ(V_VT(&user), VT_BOOL);
    EXPECT_EQ(V_BOOL(&user), VARIANT_TRUE);
    int asked = 0;
    b->OnInvoke = [&](DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) {
        ++asked;
        EXPECT_EQ(id, DISPID_AMBIENT_USERMODE);
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = VARIANT_FALSE;
        return S_OK;
    };
    user = e->Ambient(DISPID_AMBIENT_USERMODE);
    EXPECT_EQ(V_BOOL(&user), VARIANT_FALSE);
    VARIANT dl = e->Ambient(-5512); // never the handler's
    EXPECT_EQ(V_I4(&dl), 0x70);
    EXPECT_EQ(asked, 1);
}

TEST_F(HostAnswers, ContextMenuFilter) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    POINT pt{10, 10};
    // All defaults: the engine shows its own menu.
    for (DWORD id : {0u, 1u, 4u, 5u}) {
        EXPECT_EQ(e->HostShowContextMenu(id, pt), S_FALSE) << id;
    }
    // No menu on images.
    b->RightClickMenu.ImageMenu = false;
    EXPECT_EQ(e->HostShowContextMenu(1, pt), S_OK);
    EXPECT_EQ(e->HostShowContextMenu(0, pt), S_FALSE);
    // DisableAllMenus false: none anywhere, even with every kind allowed.
    b->RightClickMenu = host::TRightClickMenu{};
    b->RightClickMenu.DisableAllMenus = false;
    for (DWORD id = 0; id <= 9; ++id) {
        EXPECT_EQ(e->HostShowContextMenu(id, pt), S_OK) << id;
    }
    // A handler decides alone.
    std::vector<DWORD> ids;
    b->OnShowContextMenu = [&](DWORD id, POINT* p, IUnknown* target, IDispatch*) {
        ids.push_back(id);
        EXPECT_EQ(p->x, 10);
        EXPECT_NE(target, nullptr);
        return S_FALSE;
    };
    EXPECT_EQ(e->HostShowContextMenu(4, pt), S_FALSE);
    EXPECT_EQ(ids, std::vector<DWORD>{4});
}

// The menu being tracked by the host, seen from the window that owns it.
struct MenuWatch {
    static MenuWatch* current;
    WNDPROC previous = nullptr;
    std::vector<UINT> ids;
    bool seen = false;
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == WM_INITMENUPOPUP && current != nullptr && !current->seen) {
            current->seen = true;
            HMENU menu = reinterpret_cast<HMENU>(wp);
            for (int i = 0; i < GetMenuItemCount(menu); ++i) {
                current->ids.push_back(GetMenuItemID(menu, i));
            }
            PostMessageW(w, WM_CANCELMODE, 0, 0);
        }
        return CallWindowProcW(current->previous, w, m, wp, lp);
    }
};
MenuWatch* MenuWatch::current = nullptr;

void CALLBACK EndMenuTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
}

TEST_F(HostAnswers, OwnContextMenuLacksTheDisabledEntries) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    HWND document = e->Window();
    MenuWatch watch;
    MenuWatch::current = &watch;
    watch.previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(document, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MenuWatch::Proc)));
    UINT_PTR timer = SetTimer(nullptr, 0, 1500, EndMenuTimer); // never hang on the menu
    b->RightClickShortCuts.DisableSelectAll = true;
    b->RightClickShortCuts.DisablePrint = true;
    HRESULT hr = e->HostShowContextMenu(0, POINT{20, 20});
    KillTimer(nullptr, timer);
    SetWindowLongPtrW(document, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watch.previous));
    MenuWatch::current = nullptr;
    EXPECT_EQ(hr, S_OK);
    ASSERT_TRUE(watch.seen) << "the host's own menu was not shown";
    EXPECT_FALSE(watch.ids.empty());
    EXPECT_EQ(std::count(watch.ids.begin(), watch.ids.end(), 31u), 0);
    EXPECT_EQ(std::count(watch.ids.begin(), watch.ids.end(), 27u), 0);
}

TEST_F(HostAnswers, ShortcutFilterSwallowsOnlyTheFirstFlaggedCtrlKey) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    BYTE saved[256], keys[256];
    GetKeyboardState(saved);
    std::copy(saved, saved + 256, keys);
    auto key = [](WPARAM vk) {
        MSG m{};
        m.message = WM_KEYDOWN;
        m.wParam = vk;
        return m;
    };
    b->ShortCuts.DisableCTRL_P = true; // with the default DisableCTRL_N
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    HRESULT ctrlN = e->HostTranslateAccelerator(key('N'));
    HRESULT ctrlP = e->HostTranslateAccelerator(key('P'));
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    HRESULT plainN = e->HostTranslateAccelerator(key('N'));
    SetKeyboardState(saved);
    EXPECT_EQ(ctrlN, S_OK);
    EXPECT_EQ(ctrlP, S_FALSE);
    EXPECT_EQ(plainN, S_FALSE);

    b->OnTranslateAccelerator = [](LPMSG m, const GUID*, DWORD) {
        return m->wParam == 'Q' ? S_OK : E_NOTIMPL;
    };
    EXPECT_EQ(e->HostTranslateAccelerator(key('Q')), S_OK);
    EXPECT_EQ(e->HostTranslateAccelerator(key('N')), E_NOTIMPL);
}

TEST_F(HostAnswers, ScriptErrorWithAndWithoutHandler) {
    auto b = MakeHost();
    ASSERT_EQ(b->NavigateBlank(), host::WaitResult::Complete);
    stub::Engine* e = stub::Last();
    stub::ScriptError error;
    error.line = 12;
    error.character = 5;
    error.code = 1001;
    error.message = L"'x' 未定义";
    error.url = L"http://a.example/page.html";
    VARIANT out;
    VariantInit(&out);
    // No handler: the engine shows its own box.
    EXPECT_EQ(e->RaiseScriptError(error, &out), kNotSupported);
    EXPECT_EQ(V_VT(&out), VT_EMPTY);

    std::vector<std::wstring> got;
    bool keepScript = false, show = true;
    b->OnScriptError = [&](host::TEmbeddedBrowser&, const std::wstring& line,
                           const std::wstring& ch, const std::wstring& code,
                           const std::wstring& message, const std::wstring& url, bool& cont,
                           bool& dialog) {
        got = {line, ch, code, message, url};
        EXPECT_TRUE(cont);
        EXPECT_TRUE(dialog);
        cont = keepScript;
        dialog = show;
    };
    EXPECT_EQ(e->RaiseScriptError(error, &out), kNotSupported);
    EXPECT_EQ(got, (std::vector<std::wstring>{L"12", L"5", L"1001", L"'x' 未定义",
                                              L"http://a.example/page.html"}));
    EXPECT_EQ(V_VT(&out), VT_BOOL);
    EXPECT_EQ(V_BOOL(&out), VARIANT_FALSE);

    keepScript = true;
    show = false;
    EXPECT_EQ(e->RaiseScriptError(error, &out), S_OK);
    EXPECT_EQ(V_BOOL(&out), VARIANT_TRUE);

    // An event object without one of the properties: reported, and a failure to the engine.
    got.clear();
    error.missing = L"errorUrl";
    kvtest::ExpectModal(IDOK, L"'errorUrl' not supported.");
    HRESULT hr = e->RaiseScriptError(error, &out);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_NE(hr, kNotSupported);
    EXPECT_TRUE(got.empty()) << "the handler must not run";
    ASSERT_EQ(kvtest::SeenModals().size(), 1u);
    EXPECT_EQ(kvtest::SeenModals()[0].text, L"'errorUrl' not supported.");
    VariantClear(&out);
}

TEST_F(HostAnswers, RefreshUnloadAndUnknownCommands) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    EXPECT_EQ(e->HostExec(nullptr, 2300, nullptr, nullptr), kUnknownGroup);
    EXPECT_EQ(e->HostExec(&kDocHostCommandHandler, 2300, nullptr, nullptr), kNotSupported);
    std::vector<int> refreshes;
    bool cancel = true;
    b->OnRefresh = [&](host::TEmbeddedBrowser&, int cmd, bool& c) {
        EXPECT_FALSE(c);
        refreshes.push_back(cmd);
        c = cancel;
    };
    EXPECT_EQ(e->HostExec(&kDocHostCommandHandler, 2300, nullptr, nullptr), S_OK);
    EXPECT_EQ(e->HostExec(&kDocHostCommandHandler, 6042, nullptr, nullptr), S_OK);
    cancel = false;
    EXPECT_EQ(e->HostExec(&kDocHostCommandHandler, 6041, nullptr, nullptr), kNotSupported);
    EXPECT_EQ(e->HostExec(&kDocHostCommandHandler, 2301, nullptr, nullptr), kNotSupported);
    EXPECT_EQ(refreshes, (std::vector<int>{2300, 6042, 6041}));

    EXPECT_EQ(e->HostExec(&kExplorer, 37, nullptr, nullptr), kNotSupported);
    int unloads = 0;
    b->OnUnload = [&](host::TEmbeddedBrowser&) { ++unloads; };
    EXPECT_EQ(e->HostExec(&kExplorer, 37, nullptr, nullptr), S_OK);
    EXPECT_EQ(e->HostExec(&kExplorer, 38, nullptr, nullptr), kNotSupported);
    EXPECT_EQ(unloads, 1);
}

TEST_F(HostAnswers, TextSizeIsAppliedAtCommandStatusAndResetAtDestruction) {
    auto b = MakeHost();
    ASSERT_EQ(b->NavigateBlank(), host::WaitResult::Complete);
    stub::Engine* e = stub::Last();
    Microsoft::WRL::ComPtr<IDispatch> keepEngine =
        b->Application(); // to read it after the host is gone
    stub::ClearCallLog();
    EXPECT_EQ(e->HostQueryStatus(), S_OK); // TextSize 2: nothing sent
    EXPECT_EQ(LogCount(L"Exec none 19"), 0);
    b->VisualEffects.TextSize = 3;
    EXPECT_EQ(e->ZoomLevel(), 2) << "applied only when the engine asks";
    EXPECT_EQ(e->HostQueryStatus(), S_OK);
    EXPECT_EQ(e->ZoomLevel(), 3);
    b->VisualEffects.TextSize = 9; // beyond the engine's range 0..4
    EXPECT_EQ(e->HostQueryStatus(), S_OK);
    EXPECT_EQ(e->ZoomLevel(), 4);
    b.reset();
    EXPECT_EQ(e->ZoomLevel(), 2);
    // Reset before the engine is closed.
    std::vector<std::wstring> log = stub::CallLog();
    auto reset = std::find(log.rbegin(), log.rend(), L"Exec none 19 2");
    auto close = std::find(log.rbegin(), log.rend(), L"Close 1");
    ASSERT_NE(reset, log.rend());
    ASSERT_NE(close, log.rend());
    EXPECT_GT(reset - log.rbegin(), close - log.rbegin());
}

TEST_F(HostAnswers, TextSizeTwoIsNeverApplied) {
    auto b = MakeHost();
    ASSERT_EQ(b->NavigateBlank(), host::WaitResult::Complete);
    stub::ClearCallLog();
    stub::Last()->HostQueryStatus();
    b.reset();
    EXPECT_EQ(LogCount(L"Exec none 19"), 0);
    EXPECT_EQ(LogCount(L"Exec none 20"), 0);
}

TEST_F(HostAnswers, MessagesAndErrorsInsideAnswers) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    LRESULT result = 0;
    EXPECT_EQ(e->HostShowMessage(L"来自网页的消息", L"Microsoft Internet Explorer", MB_OK, &result),
              S_FALSE);
    std::wstring seen;
    b->OnShowMessage = [&](HWND, LPOLESTR text, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT* r) {
        seen = text;
        *r = IDOK;
        return S_OK;
    };
    EXPECT_EQ(e->HostShowMessage(L"来自网页的消息", L"x", MB_OK, &result), S_OK);
    EXPECT_EQ(seen, L"来自网页的消息");
    EXPECT_EQ(result, IDOK);

    // An error inside an answer is reported and never reaches the engine.
    b->OnGetHostInfo = [](DOCHOSTUIINFO*) -> HRESULT { throw tk::Error(L"host info broke"); };
    kvtest::ExpectModal(IDOK, L"host info broke");
    DOCHOSTUIINFO info{};
    EXPECT_EQ(e->HostGetHostInfo(&info), E_FAIL);
    EXPECT_EQ(kvtest::SeenModals().size(), 1u);
}

TEST_F(HostAnswers, DefaultsOfTheOptionGroups) {
    host::TEmbeddedBrowser b;
    EXPECT_EQ(b.About(),
              L"Embedded browser host. Support: http://www.quelmar.com/embeddedbrowser/");
    EXPECT_EQ(b.DownloadControlValue(), 0x70u);
    EXPECT_EQ(b.HostUIFlagsValue(), 0u);
    EXPECT_FALSE(b.MessagesBoxes.DisableAll);
    EXPECT_FALSE(b.MessagesBoxes.InternalErrMsg);
    EXPECT_TRUE(b.MessagesBoxes.ReplaceCaption);
    EXPECT_TRUE(b.MessagesBoxes.ReplaceIcon);
    EXPECT_TRUE(b.DisableErrors.EnableDDE);
    EXPECT_TRUE(b.DisableErrors.fpExceptions());
    EXPECT_TRUE(b.DisableErrors.ScriptError);
    EXPECT_EQ(b.VisualEffects.TextSize, 2);
    EXPECT_FALSE(b.VisualEffects.DisableSounds);
    EXPECT_EQ(b.ProxySettings.Port, 80);
    EXPECT_TRUE(b.ProxySettings.Server.empty());
    EXPECT_TRUE(b.ShortCuts.DisableCTRL_N);
    EXPECT_FALSE(b.ShortCuts.DisableCTRL_A);
    EXPECT_TRUE(b.RightClickMenu.DisableAllMenus);
    EXPECT_FALSE(b.RightClickShortCuts.DisableOpenLink);
    EXPECT_EQ(b.PrintOptions.HTMLHeader, std::vector<std::wstring>{L"<HTML></HTML>"});
    EXPECT_TRUE(b.HelpFile.empty());
    // Nothing of the engine exists until the host is used.
    EXPECT_TRUE(stub::Instances().empty());
}

TEST_F(HostAnswers, FloatingPointExceptionsOption) {
    unsigned int start = _control87(0, 0) & _MCW_EM;
    host::TEmbeddedBrowser b;
    EXPECT_EQ(_control87(0, 0) & _MCW_EM, start) << "the initial value is not applied";
    _control87(_MCW_EM & ~_EM_ZERODIVIDE, _MCW_EM); // as a library might leave it
    b.DisableErrors.SetFpExceptions(true);
    EXPECT_EQ(_control87(0, 0) & _MCW_EM, static_cast<unsigned>(_MCW_EM));
    b.DisableErrors.SetFpExceptions(false);
    EXPECT_EQ(_control87(0, 0) & _MCW_EM, start);
    EXPECT_FALSE(b.DisableErrors.fpExceptions());
}

TEST_F(HostAnswers, HelpWithoutAHelpFileIsTheEngines) {
    auto b = MakeHost();
    int asked = 0;
    b->OnShowHelp = [&](HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) {
        ++asked;
        return S_OK;
    };
    b->OnShowHelp = nullptr;
    // Through the site's IDocHostShowUI, as the engine calls it.
    Microsoft::WRL::ComPtr<IOleClientSite> site;
    ASSERT_EQ(b->OleObject()->GetClientSite(&site), S_OK);
    Microsoft::WRL::ComPtr<IDocHostShowUI> show;
    ASSERT_EQ(
        site->QueryInterface(kIidDocHostShowUI, reinterpret_cast<void**>(show.GetAddressOf())),
        S_OK);
    EXPECT_EQ(show->ShowHelp(nullptr, nullptr, 0, 0, POINT{0, 0}, nullptr), S_FALSE);
    b->OnShowHelp = [&](HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) {
        ++asked;
        return E_ABORT;
    };
    EXPECT_EQ(show->ShowHelp(nullptr, nullptr, 0, 0, POINT{0, 0}, nullptr), E_ABORT);
    EXPECT_EQ(asked, 1);
    // The site keeps one identity: the host's interfaces lead back to the site's own.
    Microsoft::WRL::ComPtr<IOleInPlaceSite> inPlace;
    EXPECT_EQ(show.As(&inPlace), S_OK);
    Microsoft::WRL::ComPtr<IUnknown> a, c;
    show.As(&a);
    site.As(&c);
    EXPECT_EQ(a.Get(), c.Get());
}

// ---- dialogs above the host's form

std::wstring TitleOf(HWND w) {
    wchar_t buf[256] = {};
    GetWindowTextW(w, buf, 256);
    return buf;
}

TEST_F(HostAnswers, DialogsAboveTheFormGetTheHostCaptionOrAreClosed) {
    auto b = MakeHost();
    std::vector<HWND> shown;
    b->OnShowDialog = [&](host::TEmbeddedBrowser&, HWND h) { shown.push_back(h); };
    struct Case {
        const wchar_t* title;
        const wchar_t* caption; // nullptr: the dialog is closed
    } cases[] = {
        {L"Microsoft Internet Explorer", L"Web Browser"},
        {L"Alert", L"Web Browser:  Alert"},
        {L"Internet Explorer Script Error", nullptr},
    };
    for (const auto& c : cases) {
        SetActiveWindow(parent_.get());
        ASSERT_EQ(GetActiveWindow(), parent_.get());
        HWND dialog = kvtest::MakeDialog(parent_.get(), c.title);
        ASSERT_NE(dialog, nullptr);
        if (c.caption == nullptr) {
            EXPECT_FALSE(IsWindow(dialog)) << "an error box must be closed";
        } else {
            EXPECT_EQ(TitleOf(dialog), c.caption);
            DestroyWindow(dialog);
        }
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back(), dialog);
    }
    EXPECT_EQ(shown.size(), 3u);

    // Own caption; error boxes kept when ScriptError is off; DisableAll closes every box.
    b->MessagesBoxes.NewCaption = L"KV浏览器";
    b->DisableErrors.ScriptError = false;
    SetActiveWindow(parent_.get());
    HWND kept = kvtest::MakeDialog(parent_.get(), L"Script Error");
    ASSERT_TRUE(IsWindow(kept));
    EXPECT_EQ(TitleOf(kept), L"KV浏览器:  Script Error");
    DestroyWindow(kept);
    b->MessagesBoxes.DisableAll = true;
    SetActiveWindow(parent_.get());
    HWND closed = kvtest::MakeDialog(parent_.get(), L"Alert");
    EXPECT_FALSE(IsWindow(closed));

    // Boxes are told apart when they are made: an engine box over the program's own box is
    // the engine's; the program's box and a box it owns keep their titles.
    b->MessagesBoxes.DisableAll = false;
    b->MessagesBoxes.NewCaption.clear();
    SetActiveWindow(parent_.get());
    {
        tk::OwnDialogScope own;
        HWND question = kvtest::MakeDialog(parent_.get(), L"Exit?");
        HWND ownedByMine = kvtest::MakeDialog(question, L"Details");
        HWND alert = kvtest::MakeDialog(parent_.get(), L"Alert");
        kvtest::PumpIdle();
        EXPECT_EQ(TitleOf(question), L"Exit?");
        EXPECT_EQ(TitleOf(ownedByMine), L"Details");
        EXPECT_EQ(TitleOf(alert), L"Web Browser:  Alert");
        DestroyWindow(alert);
        DestroyWindow(ownedByMine);
        DestroyWindow(question);
    }

    // Gone with the host: a later dialog keeps its title.
    b.reset();
    SetActiveWindow(parent_.get());
    HWND plain = kvtest::MakeDialog(parent_.get(), L"Alert");
    EXPECT_EQ(TitleOf(plain), L"Alert");
    DestroyWindow(plain);
}

} // namespace
