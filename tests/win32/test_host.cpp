// The browser host against the stand-in engine: hosting and teardown order, event routing,
// by-reference arguments, navigation rules, waits, the page's close request and errors.
#include "host/embedded_browser.h"
#include "toolkit/application.h"
#include "toolkit/error.h"
#include "engine_stub/engine_stub.h"
#include "win32/support/modal.h"
#include "win32/support/parent_window.h"
#include "win32/support/pump.h"
#include "win32/support/variants.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using kvtest::Bool;
using kvtest::Bstr;
using kvtest::I4;
using kvtest::RefTo;

// True when the tokens appear in the log in this order (each matched as a prefix).
::testing::AssertionResult InOrder(const std::vector<std::wstring>& log,
                                   const std::vector<std::wstring>& tokens) {
    size_t at = 0;
    for (const auto& t : tokens) {
        bool found = false;
        for (; at < log.size(); ++at) {
            if (log[at].compare(0, t.size(), t) == 0) {
                found = true;
                ++at;
                break;
            }
        }
        if (!found) {
            std::string s;
            for (wchar_t c : t) {
                s += static_cast<char>(c < 128 ? c : '?');
            }
            return ::testing::AssertionFailure() << "missing or out of order: " << s;
        }
    }
    return ::testing::AssertionSuccess();
}

class HostTest : public ::testing::Test {
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

TEST_F(HostTest, HostingSequenceAndTeardownOrder) {
    auto b = MakeHost();
    EXPECT_TRUE(
        InOrder(stub::CallLog(), {L"SetClientSite", L"InitNew", L"Advise",
                                  L"OnAmbientPropertyChange -1", L"DoVerb -5", L"GetWindow"}));
    ASSERT_EQ(stub::Instances().size(), 1u);
    EXPECT_EQ(GetParent(b->Handle()), parent_.get());

    stub::ClearCallLog();
    b.reset();
    EXPECT_TRUE(InOrder(stub::CallLog(),
                        {L"Close 1", L"Unadvise", L"SetClientSite null", L"Release final"}));
    EXPECT_TRUE(stub::Instances().empty()) << "the engine must be released completely";
}

TEST_F(HostTest, DownloadControlAmbientAndSiteInterfaces) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    ASSERT_NE(e, nullptr);
    VARIANT v = e->Ambient(-5512);
    EXPECT_EQ(V_VT(&v), VT_I4);
    EXPECT_EQ(V_I4(&v), 0x70);
    VariantClear(&v);
    VARIANT user = e->Ambient(DISPID_AMBIENT_USERMODE);
    EXPECT_EQ(V_VT(&user), VT_BOOL);
    EXPECT_EQ(V_BOOL(&user), VARIANT_TRUE);
    EXPECT_TRUE(e->SiteAnswers(IID_IOleInPlaceSite));
    EXPECT_TRUE(e->SiteAnswers(IID_IOleControlSite));
    EXPECT_FALSE(e->SiteAnswers(IID_IPersistFile));
}

TEST_F(HostTest, EverySlotReceivesItsArgumentsInOrder) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    std::vector<std::wstring> got;
    auto text = [&](const wchar_t* name) {
        return [&got, name](host::TWebBrowser&, const std::wstring& t) {
            got.push_back(std::wstring(name) + L" " + t);
        };
    };
    auto flag = [&](const wchar_t* name) {
        return [&got, name](host::TWebBrowser&, VARIANT_BOOL v) {
            got.push_back(std::wstring(name) + (v ? L" true" : L" false"));
        };
    };
    b->OnStatusTextChange = text(L"status");
    b->OnTitleChange = text(L"title");
    b->OnPropertyChange = text(L"property");
    b->OnProgressChange = [&](host::TWebBrowser&, int32_t p, int32_t m) {
        got.push_back(L"progress " + std::to_wstring(p) + L"/" + std::to_wstring(m));
    };
    b->OnCommandStateChange = [&](host::TWebBrowser&, int32_t c, VARIANT_BOOL en) {
        got.push_back(L"command " + std::to_wstring(c) + (en ? L" true" : L" false"));
    };
    b->OnDownloadBegin = [&](host::TWebBrowser&) { got.push_back(L"begin"); };
    b->OnDownloadComplete = [&](host::TWebBrowser&) { got.push_back(L"complete"); };
    b->OnQuit = [&](host::TWebBrowser&) { got.push_back(L"quit"); };
    b->OnVisible = flag(L"visible");
    b->OnToolBar = flag(L"toolbar");
    b->OnMenuBar = flag(L"menubar");
    b->OnStatusBar = flag(L"statusbar");
    b->OnFullScreen = flag(L"fullscreen");
    b->OnTheaterMode = flag(L"theater");
    IDispatch* seenDisp = nullptr;
    b->OnNavigateComplete2 = [&](host::TWebBrowser&, IDispatch* d, VARIANT* url) {
        seenDisp = d;
        got.push_back(std::wstring(L"navcomplete ") + V_BSTR(url));
    };
    b->OnDocumentComplete = [&](host::TWebBrowser&, IDispatch*, VARIANT* url) {
        got.push_back(std::wstring(L"doccomplete ") + V_BSTR(url));
    };

    auto raise = [&](DISPID id, std::vector<VARIANT> args) {
        e->RaiseEvent(id, args);
        for (auto& a : args) {
            VariantClear(&a);
        }
    };
    raise(102, {Bstr(L"正在打开")});
    raise(108, {I4(7), I4(9)});
    raise(105, {I4(2), Bool(true)});
    raise(106, {});
    raise(104, {});
    raise(113, {Bstr(L"标题")});
    raise(112, {Bstr(L"prop")});
    raise(253, {});
    raise(254, {Bool(true)});
    raise(255, {Bool(false)});
    raise(256, {Bool(true)});
    raise(257, {Bool(false)});
    raise(258, {Bool(true)});
    raise(260, {Bool(false)});
    VARIANT url = Bstr(L"http://a.example/");
    VARIANT disp;
    VariantInit(&disp);
    V_VT(&disp) = VT_DISPATCH;
    V_DISPATCH(&disp) = e->Browser();
    e->RaiseEvent(252, {disp, RefTo(&url)});
    e->RaiseEvent(259, {disp, RefTo(&url)});
    VariantClear(&url);

    std::vector<std::wstring> want = {L"status 正在打开",
                                      L"progress 7/9",
                                      L"command 2 true",
                                      L"begin",
                                      L"complete",
                                      L"title 标题",
                                      L"property prop",
                                      L"quit",
                                      L"visible true",
                                      L"toolbar false",
                                      L"menubar true",
                                      L"statusbar false",
                                      L"fullscreen true",
                                      L"theater false",
                                      L"navcomplete http://a.example/",
                                      L"doccomplete http://a.example/"};
    EXPECT_EQ(got, want);
    EXPECT_EQ(seenDisp, e->Browser());
}

TEST_F(HostTest, ByReferenceArgumentsWrittenByHandlersReachTheCaller) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    b->OnBeforeNavigate2 = [&](host::TWebBrowser&, IDispatch*, VARIANT* url, VARIANT* flags,
                               VARIANT* target, VARIANT* post, VARIANT* headers,
                               VARIANT_BOOL* cancel) {
        EXPECT_EQ(std::wstring(V_BSTR(url)), L"http://x/");
        EXPECT_EQ(V_I4(flags), 5);
        EXPECT_EQ(std::wstring(V_BSTR(target)), L"frame");
        EXPECT_EQ(V_VT(post), VT_EMPTY);
        EXPECT_EQ(std::wstring(V_BSTR(headers)), L"H: 1");
        *cancel = VARIANT_TRUE;
        VariantClear(url);
        *url = Bstr(L"http://rewritten/");
    };
    VARIANT url = Bstr(L"http://x/"), flags = I4(5), target = Bstr(L"frame"), post,
            headers = Bstr(L"H: 1");
    VariantInit(&post);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT cancelRef;
    VariantInit(&cancelRef);
    V_VT(&cancelRef) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&cancelRef) = &cancel;
    VARIANT disp;
    VariantInit(&disp);
    V_VT(&disp) = VT_DISPATCH;
    V_DISPATCH(&disp) = e->Browser();
    e->RaiseEvent(250, {disp, RefTo(&url), RefTo(&flags), RefTo(&target), RefTo(&post),
                        RefTo(&headers), cancelRef});
    EXPECT_EQ(cancel, VARIANT_TRUE);
    EXPECT_EQ(std::wstring(V_BSTR(&url)), L"http://rewritten/");
    for (VARIANT* v : {&url, &flags, &target, &post, &headers}) {
        VariantClear(v);
    }

    // NewWindow2: the handler's dispatch object and Cancel land in the caller's storage.
    auto other = MakeHost();
    b->OnNewWindow2 = [&](host::TWebBrowser&, IDispatch** ppDisp, VARIANT_BOOL* c) {
        *ppDisp = other->Application().Detach();
        *c = VARIANT_FALSE;
    };
    IDispatch* handedBack = nullptr;
    VARIANT_BOOL cancel2 = VARIANT_TRUE;
    VARIANT dispRef, cancelRef2;
    VariantInit(&dispRef);
    VariantInit(&cancelRef2);
    V_VT(&dispRef) = VT_DISPATCH | VT_BYREF;
    V_DISPATCHREF(&dispRef) = &handedBack;
    V_VT(&cancelRef2) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&cancelRef2) = &cancel2;
    e->RaiseEvent(251, {dispRef, cancelRef2});
    EXPECT_EQ(cancel2, VARIANT_FALSE);
    ASSERT_NE(handedBack, nullptr);
    EXPECT_EQ(handedBack, other->Application().Get());
    handedBack->Release();
}

TEST_F(HostTest, CancelAndNewWindowChangeWhatTheEngineDoes) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    bool cancel = true;
    b->OnBeforeNavigate2 = [&](host::TWebBrowser&, IDispatch*, VARIANT*, VARIANT*, VARIANT*,
                               VARIANT*, VARIANT*, VARIANT_BOOL* c) {
        if (cancel) {
            *c = VARIANT_TRUE;
        }
    };
    int completes = 0;
    b->OnDocumentComplete = [&](host::TWebBrowser&, IDispatch*, VARIANT*) { ++completes; };
    b->NavigateUrl(L"http://cancelled.example/");
    kvtest::PumpFor(300);
    EXPECT_EQ(completes, 0);
    EXPECT_NE(e->Url(), L"http://cancelled.example/");

    cancel = false;
    EXPECT_EQ(b->NavigateBlank(), host::WaitResult::Complete);
    EXPECT_EQ(completes, 1);

    auto popup = MakeHost();
    stub::Engine* target = stub::Last();
    b->OnNewWindow2 = [&](host::TWebBrowser&, IDispatch** ppDisp, VARIANT_BOOL*) {
        *ppDisp = popup->Application().Detach();
    };
    stub::Engine::NewWindowResult r = e->RaiseNewWindow2(L"http://popup.example/");
    EXPECT_FALSE(r.cancelled);
    EXPECT_TRUE(r.gotDispatch);
    EXPECT_TRUE(r.loaded);
    ASSERT_FALSE(target->Navigations().empty());
    EXPECT_EQ(target->Navigations().back().url, L"http://popup.example/");

    b->OnNewWindow2 = [&](host::TWebBrowser&, IDispatch**, VARIANT_BOOL* c) { *c = VARIANT_TRUE; };
    r = e->RaiseNewWindow2(L"http://refused.example/");
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.loaded);
}

TEST_F(HostTest, EventWithoutHandlerIsIgnored) {
    auto b = MakeHost();
    int titles = 0;
    b->OnTitleChange = [&](host::TWebBrowser&, const std::wstring&) { ++titles; };
    std::vector<VARIANT> args = {Bstr(L"ignored")};
    stub::Last()->RaiseEvent(102, args); // no status handler
    stub::Last()->RaiseEvent(999, args); // not an event of the interface at all
    VariantClear(&args[0]);
    EXPECT_EQ(titles, 0);
    EXPECT_EQ(b->NavigateBlank(), host::WaitResult::Complete);
    EXPECT_GE(titles, 1);
}

TEST_F(HostTest, NavigateUrlSkipsBlankTextAndPassesTextUntrimmed) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    b->NavigateUrl(L"");
    b->NavigateUrl(L"   ");
    b->NavigateUrl(L" \t\r\n ");
    EXPECT_TRUE(e->Navigations().empty());

    b->NavigateUrl(L" about:blank ");
    auto calls = e->Navigations();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].method, L"Navigate2");
    EXPECT_EQ(calls[0].urlType, VT_BSTR);
    EXPECT_EQ(calls[0].url, L" about:blank ");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(calls[0].optionalTypes[i], VT_I4) << i;
        EXPECT_EQ(calls[0].optionalInts[i], 0) << i;
    }

    b->Navigate(L"http://plain.example/");
    calls = e->Navigations();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].method, L"Navigate");
    EXPECT_EQ(calls[1].url, L"http://plain.example/");
}

TEST_F(HostTest, NavigateItemIdListPassesTheBytes) {
    auto b = MakeHost();
    // Two items (5 and 3 bytes with their counts) and the closing zero count.
    const BYTE list[] = {5, 0, 'a', 'b', 'c', 3, 0, 'z', 0, 0, 0xEE};
    b->NavigateItemIdList(reinterpret_cast<PCIDLIST_ABSOLUTE>(list));
    auto calls = stub::Last()->Navigations();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].urlType, VT_ARRAY | VT_UI1);
    EXPECT_EQ(calls[0].bytes, std::vector<BYTE>(list, list + 10));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(calls[0].optionalTypes[i], VT_EMPTY) << i;
    }
}

TEST_F(HostTest, NavigateBlankReturnsOnlyWhenComplete) {
    auto b = MakeHost();
    std::vector<std::wstring> order;
    b->OnBeforeNavigate2 = [&](host::TWebBrowser&, IDispatch*, VARIANT*, VARIANT*, VARIANT*,
                               VARIANT*, VARIANT*, VARIANT_BOOL*) { order.push_back(L"before"); };
    b->OnDocumentComplete = [&](host::TWebBrowser&, IDispatch*, VARIANT*) {
        order.push_back(L"document");
    };
    EXPECT_EQ(b->NavigateBlank(), host::WaitResult::Complete);
    EXPECT_EQ(b->ReadyState(), READYSTATE_COMPLETE);
    EXPECT_EQ(stub::Last()->State(), READYSTATE_COMPLETE);
    EXPECT_EQ(order, (std::vector<std::wstring>{L"before", L"document"}));
    EXPECT_EQ(b->LocationURL(), L"about:blank");
}

std::unique_ptr<host::TEmbeddedBrowser>* g_owner = nullptr;

void CALLBACK DestroyHostTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (g_owner != nullptr) {
        g_owner->reset();
    }
}

TEST_F(HostTest, WaitEndsWhenTheHostIsDestroyedDuringIt) {
    stub::Page never;
    never.neverComplete = true;
    stub::SetPage(L"http://never.example/", never);
    auto b = MakeHost();
    b->NavigateUrl(L"http://never.example/");
    g_owner = &b;
    SetTimer(nullptr, 0, 100, DestroyHostTimer);
    host::TEmbeddedBrowser* raw = b.get();
    host::WaitResult r = raw->WaitForComplete();
    g_owner = nullptr;
    EXPECT_EQ(r, host::WaitResult::HostDestroyed);
    EXPECT_EQ(b, nullptr);
    EXPECT_TRUE(stub::Instances().empty());
}

TEST_F(HostTest, WaitForPageWithoutProgressEndsAfterTheLimit) {
    stub::Page never;
    never.neverComplete = true;
    stub::SetPage(L"http://never.example/", never);
    auto b = MakeHost();
    DWORD old = host::TEmbeddedBrowser::WaitLimitMs();
    host::TEmbeddedBrowser::SetWaitLimitMs(300);
    b->NavigateUrl(L"http://never.example/");
    host::WaitResult r = b->WaitForComplete();
    host::TEmbeddedBrowser::SetWaitLimitMs(old);
    EXPECT_EQ(r, host::WaitResult::TimedOut);
    // The host is still usable.
    EXPECT_EQ(b->NavigateBlank(), host::WaitResult::Complete);
}

// A top-level window that counts its paints, and keeps a flood of its own messages going.
struct Counted {
    int paints = 0;
    int floodLeft = 0;
    int floodHandled = 0;
};
constexpr UINT kFlood = WM_APP + 7;

LRESULT CALLBACK CountingProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* c = reinterpret_cast<Counted*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (c != nullptr && msg == WM_PAINT) {
        ++c->paints;
        ValidateRect(h, nullptr);
        return 0;
    }
    if (c != nullptr && msg == kFlood) {
        ++c->floodHandled;
        if (--c->floodLeft > 0) {
            PostMessageW(h, kFlood, 0, 0);
        }
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

HWND MakeCountingWindow(Counted& c) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"kvtestCounting";
    RegisterClassW(&wc);
    HWND h = CreateWindowExW(WS_EX_NOACTIVATE, L"kvtestCounting", L"", WS_POPUP | WS_VISIBLE, 0, 0,
                             200, 100, nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&c));
    return h;
}

// A wait ends as soon as the page is complete: painting the program's windows waits for the
// loop the wait returns to (after opening a window, its first paint is not the blank page's).
TEST_F(HostTest, WaitEndsAtCompletionAndLeavesPaintsToTheLoop) {
    auto b = MakeHost();
    Counted c;
    HWND w = MakeCountingWindow(c);
    kvtest::PumpIdle();
    c.paints = 0;
    InvalidateRect(w, nullptr, TRUE);
    EXPECT_EQ(b->NavigateBlank(), host::WaitResult::Complete);
    EXPECT_EQ(c.paints, 0);
    kvtest::PumpIdle();
    EXPECT_EQ(c.paints, 1);
    DestroyWindow(w);
}

// Messages that keep coming are no sign of the page's progress: the limit still ends the wait,
// while they go on.
TEST_F(HostTest, WaitLimitHoldsWhileMessagesKeepComing) {
    stub::Page never;
    never.neverComplete = true;
    stub::SetPage(L"http://never.example/", never);
    auto b = MakeHost();
    Counted c;
    HWND w = MakeCountingWindow(c);
    DWORD old = host::TEmbeddedBrowser::WaitLimitMs();
    host::TEmbeddedBrowser::SetWaitLimitMs(300);
    b->NavigateUrl(L"http://never.example/");
    c.floodLeft = 200000;
    PostMessageW(w, kFlood, 0, 0);
    host::WaitResult r = b->WaitForComplete();
    host::TEmbeddedBrowser::SetWaitLimitMs(old);
    EXPECT_EQ(r, host::WaitResult::TimedOut);
    EXPECT_GT(c.floodHandled, 0);
    EXPECT_GT(c.floodLeft, 0); // still flooding when the wait ended
    c.floodLeft = 0;
    DestroyWindow(w);
    kvtest::PumpIdle();
}

TEST_F(HostTest, CloseRequestReachesEngineOnlyWhenAllowed) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    int asked = 0;
    b->OnCloseQuery = [&](host::TEmbeddedBrowser&, bool& canClose) {
        ++asked;
        EXPECT_TRUE(canClose);
        canClose = false;
    };
    e->RequestClose();
    kvtest::PumpUntil([&] { return asked > 0; }, 2000);
    kvtest::PumpFor(100);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(e->CloseReceived());

    b->OnCloseQuery = [&](host::TEmbeddedBrowser&, bool&) { ++asked; };
    e->RequestClose();
    EXPECT_TRUE(kvtest::PumpUntil([&] { return e->CloseReceived(); }, 2000));
    EXPECT_EQ(asked, 2);
}

TEST_F(HostTest, PropertiesCanBeReadBeforeTheWindowExists) {
    host::TEmbeddedBrowser b; // no parent, no window
    EXPECT_EQ(b.LocationURL(), L"");
    EXPECT_FALSE(b.HandleAllocated());
    EXPECT_TRUE(b.IsComplete());
    EXPECT_TRUE(InOrder(stub::CallLog(), {L"SetClientSite", L"InitNew", L"Advise"}));
}

TEST_F(HostTest, FailingEngineCallsRaiseThePlatformText) {
    auto b = MakeHost();
    try {
        b->GoBack(); // nothing to go back to
        ADD_FAILURE() << "GoBack without history must raise";
    } catch (const tk::Error& e) {
        EXPECT_TRUE(FAILED(e.Result()));
        EXPECT_EQ(e.Message(), tk::SystemErrorText(e.Result()));
    }
    stub::Last()->FailNext(L"Navigate2", E_ACCESSDENIED);
    try {
        b->NavigateUrl(L"http://denied.example/");
        ADD_FAILURE() << "a failing Navigate2 must raise";
    } catch (const tk::Error& e) {
        EXPECT_EQ(e.Result(), E_ACCESSDENIED);
        EXPECT_EQ(e.Message(), tk::SystemErrorText(E_ACCESSDENIED));
        EXPECT_FALSE(e.Message().empty());
    }
}

TEST_F(HostTest, HandlerErrorIsReportedAndNeverReachesTheEngine) {
    auto b = MakeHost();
    b->OnTitleChange = [](host::TWebBrowser&, const std::wstring&) {
        throw tk::Error(L"handler broke");
    };
    kvtest::ExpectModal(IDOK, L"handler broke");
    EXPECT_EQ(b->NavigateBlank(), host::WaitResult::Complete);
    ASSERT_EQ(kvtest::SeenModals().size(), 1u);
    EXPECT_EQ(kvtest::SeenModals()[0].text, L"handler broke");
}

TEST_F(HostTest, ActivationFailuresRaiseTheirErrors) {
    struct Restore {
        ~Restore() { stub::SetHostingFault(stub::HostingFault::None); }
    } restore;
    const std::pair<stub::HostingFault, const wchar_t*> cases[] = {
        {stub::HostingFault::NoInPlaceObject, L"OLE control activation failed"},
        {stub::HostingFault::NoWindow, L"Could not obtain OLE control window handle"},
    };
    for (const auto& c : cases) {
        stub::SetHostingFault(c.first);
        host::TEmbeddedBrowser b;
        b.SetParent(parent_.get());
        try {
            b.Handle();
            ADD_FAILURE() << "activation must fail";
        } catch (const tk::Error& e) {
            EXPECT_EQ(e.Message(), c.second);
        }
        EXPECT_FALSE(b.HandleAllocated());
    }
    stub::SetHostingFault(stub::HostingFault::None);
    EXPECT_TRUE(stub::Instances().empty()) << "a failed activation must not leak the engine";
}

TEST_F(HostTest, KeysAreOfferedToTheEngineExceptEditingAndArrowKeys) {
    auto b = MakeHost();
    HWND w = b->Handle();
    stub::ClearCallLog();
    SendMessageW(w, tk::CN_BASE + WM_KEYDOWN, 'A', 0);
    SendMessageW(w, tk::CN_BASE + WM_KEYDOWN, VK_BACK, 0);
    SendMessageW(w, tk::CN_BASE + WM_KEYDOWN, VK_RETURN, 0);
    SendMessageW(w, tk::CN_BASE + WM_KEYDOWN, VK_LEFT, 1 << 24);
    SendMessageW(w, tk::CN_BASE + WM_SYSKEYDOWN, VK_LEFT, 1 << 24);
    int translated = 0;
    for (const auto& line : stub::CallLog()) {
        if (line.compare(0, 20, L"TranslateAccelerator") == 0) {
            ++translated;
        }
    }
    // 'A' and the system key (Alt+Left goes to the engine by the base path).
    EXPECT_EQ(translated, 2);
}

TEST_F(HostTest, NavigateBlankReturnsHostDestroyedWhenTheNavigationStartDestroyedTheHost) {
    auto b = MakeHost();
    b->OnBeforeNavigate2 = [&](host::TWebBrowser&, IDispatch*, VARIANT*, VARIANT*, VARIANT*,
                               VARIANT*, VARIANT*, VARIANT_BOOL*) { b.reset(); };
    host::TEmbeddedBrowser* raw = b.get();
    EXPECT_EQ(raw->NavigateBlank(), host::WaitResult::HostDestroyed);
    EXPECT_EQ(b, nullptr);
    EXPECT_TRUE(stub::Instances().empty());
}

TEST_F(HostTest, EngineWindowDestroyedByTheCloseIsNeverHandedOut) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    HWND first = b->Handle();
    b->OnCloseQuery = [](host::TEmbeddedBrowser&, bool&) {};
    e->RequestClose();
    ASSERT_TRUE(kvtest::PumpUntil([&] { return e->CloseReceived(); }, 2000));
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(b->HandleAllocated());
    EXPECT_FALSE(b->CanFocus());
    b->SetFocus();
    b->SetVisible(false);
    // The engine still names its dead window: the host refuses it.
    try {
        b->Handle();
        ADD_FAILURE() << "a dead engine window must not be handed out";
    } catch (const tk::Error& err) {
        EXPECT_EQ(err.Message(), L"Could not obtain OLE control window handle");
    }
    EXPECT_FALSE(b->HandleAllocated());
}

TEST_F(HostTest, CloseHandlerThatFailsRefusesTheClose) {
    auto b = MakeHost();
    stub::Engine* e = stub::Last();
    int asked = 0;
    b->OnCloseQuery = [&](host::TEmbeddedBrowser&, bool&) {
        ++asked;
        throw tk::Error(L"close broke");
    };
    kvtest::ExpectModal(IDOK, L"close broke");
    e->RequestClose();
    kvtest::PumpUntil([&] { return asked > 0 && kvtest::PendingModals() == 0; }, 3000);
    kvtest::PumpFor(100);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(e->CloseReceived());
    EXPECT_TRUE(b->HandleAllocated());
    EXPECT_EQ(b->EventDepth(), 0);
}

TEST_F(HostTest, SetBoundsMovesTheEngineThroughSetObjectRects) {
    host::TEmbeddedBrowser b;
    b.SetParent(parent_.get());
    b.SetBounds(4, 8, 200, 100); // before activation: the engine is placed there
    HWND w = b.Handle();
    auto placed = [&](int l, int t, int r, int bt) {
        RECT rc{};
        GetWindowRect(w, &rc);
        MapWindowPoints(nullptr, parent_.get(), reinterpret_cast<POINT*>(&rc), 2);
        return rc.left == l && rc.top == t && rc.right == r && rc.bottom == bt;
    };
    EXPECT_TRUE(placed(4, 8, 204, 108));
    stub::ClearCallLog();
    b.SetBounds(10, 20, 300, 150);
    EXPECT_EQ(stub::CallLog(), std::vector<std::wstring>{L"SetObjectRects 10 20 310 170"});
    EXPECT_TRUE(placed(10, 20, 310, 170));
    RECT bounds = b.Bounds();
    EXPECT_EQ(bounds.right, 310);
    EXPECT_EQ(bounds.bottom, 170);
}

} // namespace
