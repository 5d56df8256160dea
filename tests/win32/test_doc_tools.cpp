// The page commands against the stand-in engine: what reaches the document and the engine,
// silence without a page, the text size range, the waits before print and page setup (also
// after a failed navigation), and the open and save-text dialogs with the bytes they write.
#include "doc_tools/document_commands.h"
#include "doc_tools/open_save.h"
#include "engine_stub/engine_stub.h"
#include "host/embedded_browser.h"
#include "toolkit/application.h"
#include "toolkit/error.h"
#include "win32/support/engines.h"
#include "win32/support/file_dialog.h"
#include "win32/support/modal.h"
#include "win32/support/parent_window.h"
#include "win32/support/pump.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::wstring>;

// True when the entries appear in the log in this order (each matched as a prefix).
::testing::AssertionResult InOrder(const Strings& log, const Strings& tokens) {
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
            return ::testing::AssertionFailure()
                   << "missing or out of order: " << std::string(t.begin(), t.end());
        }
    }
    return ::testing::AssertionSuccess();
}

size_t IndexOf(const Strings& log, const std::wstring& entry) {
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i] == entry) {
            return i;
        }
    }
    return log.size();
}

class DocToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        stub::ClearPages();
        stub::ClearCallLog();
        kvtest::ResetModals();
        kvtest::ResetFileDialogs();
    }
    void TearDown() override {
        EXPECT_EQ(kvtest::PendingModals(), 0u);
        EXPECT_EQ(kvtest::PendingFileDialogs(), 0u);
        kvtest::ResetFileDialogs();
        stub::ClearPages();
    }

    std::unique_ptr<host::TEmbeddedBrowser> MakeHost() {
        auto b = std::make_unique<host::TEmbeddedBrowser>();
        // On a top-level test window the host's dialog watch would rename the dialogs these
        // tests answer by caption; a browser window's host sits on an MDI child, which never
        // sees that activation.
        b->MessagesBoxes.ReplaceCaption = false;
        b->SetParent(parent_.get());
        b->SetBounds(0, 0, 600, 400);
        b->Handle();
        return b;
    }
    // A host showing a complete page with this text.
    std::unique_ptr<host::TEmbeddedBrowser> HostWithPage(const std::wstring& text) {
        stub::Page p;
        p.title = L"Page";
        p.text = text;
        stub::SetPage(L"http://page.example/", p);
        auto b = MakeHost();
        b->NavigateUrl(L"http://page.example/");
        EXPECT_EQ(b->WaitForComplete(), host::WaitResult::Complete);
        return b;
    }
    stub::Engine* EngineOf(host::TEmbeddedBrowser& b) {
        return kvtest::EngineOf(b.DefaultInterface());
    }
    // Saves the host's page text through the dialog, answered with this name and filter.
    void SaveText(host::TEmbeddedBrowser& b, const std::wstring& name, int filter = 0) {
        kvtest::AnswerFileDialog(L"Web Site Text", name, filter);
        doc::SavePageText(b);
    }

    stub::ScopedRegistration registration_;
    kvtest::ParentWindow parent_;
    kvtest::TempFolder folder_{L"kvdoc"};
};

TEST_F(DocToolsTest, EachDocumentCommandSendsItsGroupCommandAndOption) {
    auto b = HostWithPage(L"text");
    stub::Engine* e = EngineOf(*b);
    ASSERT_NE(e, nullptr);
    Microsoft::WRL::ComPtr<IDispatch> d = b->Document();
    doc::CutSelection(d.Get());
    doc::CopySelection(d.Get());
    doc::PasteClipboard(d.Get());
    doc::SelectAllContent(d.Get());
    doc::SaveDocumentAs(d.Get());
    doc::ShowFindDialog(d.Get());
    doc::ShowInternetOptions(d.Get());
    doc::PreviewDocument(*b);
    doc::PrintDocument(*b);
    doc::SetupPage(*b);
    EXPECT_EQ(e->Commands(),
              (Strings{L"Exec none 11 0", L"Exec none 12 0", L"Exec none 13 0", L"Exec none 17 0",
                       L"Exec none 4 0", L"Exec CGID_WebBrowser 1 0", L"Exec CGID_WebBrowser 3 0",
                       L"ExecWB 7 2", L"ExecWB 6 1", L"ExecWB 8 1"}));
    EXPECT_TRUE(kvtest::SeenModals().empty());
}

TEST_F(DocToolsTest, WithoutAPageNothingIsSentAndNothingReported) {
    auto b = MakeHost(); // a window that never loaded a page
    stub::Engine* e = EngineOf(*b);
    ASSERT_NE(e, nullptr);
    Microsoft::WRL::ComPtr<IDispatch> d = b->Document();
    EXPECT_EQ(d, nullptr);
    doc::CutSelection(d.Get());
    doc::CopySelection(d.Get());
    doc::PasteClipboard(d.Get());
    doc::SelectAllContent(d.Get());
    doc::SaveDocumentAs(d.Get());
    doc::ShowFindDialog(d.Get());
    doc::ShowInternetOptions(d.Get());
    doc::ApplyTextSize(d.Get(), 3);
    doc::PreviewDocument(*b);
    EXPECT_TRUE(e->Commands().empty());
    EXPECT_EQ(e->ZoomLevel(), 2);
    EXPECT_TRUE(kvtest::SeenModals().empty());
    // Not a document at all: the engine object itself.
    doc::CopySelection(b->Application().Get());
    EXPECT_TRUE(e->Commands().empty());
}

TEST_F(DocToolsTest, FailingDocumentCommandIsSilentWhileBrowserCommandsRaise) {
    auto b = HostWithPage(L"text");
    stub::Engine* e = EngineOf(*b);
    Microsoft::WRL::ComPtr<IDispatch> d = b->Document();
    e->FailNext(L"Exec", E_FAIL);
    doc::CopySelection(d.Get());
    e->FailNext(L"ExecWB", E_ACCESSDENIED);
    try {
        doc::PrintDocument(*b);
        ADD_FAILURE() << "a refused print raises";
    } catch (const tk::Error& err) {
        EXPECT_EQ(static_cast<unsigned long>(err.Result()), 0x80070005ul);
        EXPECT_FALSE(err.Message().empty());
        EXPECT_EQ(err.Message().find(L"OLE error"), std::wstring::npos); // the platform's text
    }
    e->FailNext(L"Document", E_FAIL);
    EXPECT_THROW(doc::PreviewDocument(*b), tk::Error);
    EXPECT_EQ(e->Commands(), (Strings{L"Exec none 12 0", L"ExecWB 6 1"}));
    EXPECT_TRUE(kvtest::SeenModals().empty());
}

TEST_F(DocToolsTest, TextSizeKeepsToTheEnginesRange) {
    auto b = HostWithPage(L"text"); // the stand-in's range is 0 .. 4
    stub::Engine* e = EngineOf(*b);
    Microsoft::WRL::ComPtr<IDispatch> d = b->Document();
    doc::ApplyTextSize(d.Get(), -1);
    EXPECT_EQ(e->ZoomLevel(), 0);
    doc::ApplyTextSize(d.Get(), 3);
    EXPECT_EQ(e->ZoomLevel(), 3);
    doc::ApplyTextSize(d.Get(), 9);
    EXPECT_EQ(e->ZoomLevel(), 4);
    doc::ApplyTextSize(d.Get(), 4);
    EXPECT_EQ(e->ZoomLevel(), 4);
    Strings once{L"Exec none 20 2", L"Exec none 19 2"};
    EXPECT_EQ(e->Commands(),
              (Strings{once[0], once[1], once[0], once[1], once[0], once[1], once[0], once[1]}));
    // The range question fails: nothing is set.
    e->FailNext(L"Exec", E_NOTIMPL);
    doc::ApplyTextSize(d.Get(), 1);
    EXPECT_EQ(e->ZoomLevel(), 4);
    EXPECT_EQ(e->Commands().size(), 9u);
}

TEST_F(DocToolsTest, PrintAndPageSetupWaitForTheLoadingPageWhilePreviewStartsAtOnce) {
    stub::Page next;
    next.title = L"Next";
    stub::SetPage(L"http://next.example/", next);
    auto b = HostWithPage(L"first");
    stub::ClearCallLog();
    b->NavigateUrl(L"http://next.example/"); // loading: the rest of the load is still queued
    doc::PreviewDocument(*b);
    doc::PrintDocument(*b);
    Strings log = stub::CallLog();
    EXPECT_TRUE(InOrder(log, {L"Navigate2 http://next.example/", L"ExecWB 7 2", L"Event 104",
                              L"Event 259", L"ExecWB 6 1"}));
    EXPECT_LT(IndexOf(log, L"ExecWB 7 2"), IndexOf(log, L"Event 106")); // before DownloadBegin

    stub::ClearCallLog();
    b->Refresh();
    doc::SetupPage(*b);
    EXPECT_TRUE(InOrder(stub::CallLog(), {L"Refresh", L"Event 104", L"Event 113", L"ExecWB 8 1"}));
}

TEST_F(DocToolsTest, WaitAfterAnEarlierFailedNavigationStillWaitsForThePage) {
    auto b = HostWithPage(L"first");
    stub::Engine* e = EngineOf(*b);
    // The engine reports that a navigation of this window failed (NavigateError, 271).
    VARIANT disp;
    VariantInit(&disp);
    V_VT(&disp) = VT_DISPATCH;
    V_DISPATCH(&disp) = b->Application().Get();
    VARIANT url, frame, status, cancel;
    VariantInit(&url);
    V_VT(&url) = VT_BSTR;
    V_BSTR(&url) = SysAllocString(L"http://gone.example/");
    VariantInit(&frame);
    VariantInit(&status);
    V_VT(&status) = VT_I4;
    V_I4(&status) = static_cast<LONG>(0x800C0005); // INET_E_RESOURCE_NOT_FOUND
    VARIANT_BOOL no = VARIANT_FALSE;
    VariantInit(&cancel);
    V_VT(&cancel) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&cancel) = &no;
    e->RaiseEvent(271, {disp, url, frame, status, cancel});
    VariantClear(&url);
    // A reload (no BeforeNavigate2) is loading now: print and page setup wait for it.
    stub::ClearCallLog();
    b->Refresh();
    doc::PrintDocument(*b);
    EXPECT_TRUE(InOrder(stub::CallLog(), {L"Refresh", L"Event 104", L"Event 113", L"ExecWB 6 1"}));
    stub::ClearCallLog();
    b->Refresh();
    doc::SetupPage(*b);
    EXPECT_TRUE(InOrder(stub::CallLog(), {L"Refresh", L"Event 104", L"Event 113", L"ExecWB 8 1"}));
    // Save text waits the same way: the text of the reloaded page is saved.
    stub::ClearCallLog();
    b->Refresh();
    kvtest::AnswerFileDialog(L"Web Site Text", folder_.Path() + L"after.txt");
    doc::SavePageText(*b);
    EXPECT_EQ(e->State(), READYSTATE_COMPLETE);
    EXPECT_TRUE(InOrder(stub::CallLog(), {L"Refresh", L"Event 104", L"Event 113"}));
    EXPECT_EQ(kvtest::ReadBytes(folder_.Path() + L"after.txt"),
              std::optional<std::string>("first\r\n"));
}

// Set by a timer: the program's message loop ran meanwhile.
bool g_timerRan = false;
void CALLBACK MarkTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_timerRan = true;
}

TEST_F(DocToolsTest, CommandsOnAPageWhoseNavigationFailedGoOnAtOnce) {
    stub::Page failing;
    failing.navigateError = true;
    stub::SetPage(L"http://failing.example/", failing);
    auto b = MakeHost();
    b->NavigateUrl(L"http://failing.example/");
    ASSERT_EQ(b->WaitForComplete(), host::WaitResult::Failed);
    DWORD limit = host::TEmbeddedBrowser::WaitLimitMs();
    host::TEmbeddedBrowser::SetWaitLimitMs(500);
    struct Case {
        const char* name;
        std::function<void(const doc::TStillWanted&)> run;
    } cases[] = {
        {"print", [&](const doc::TStillWanted& w) { doc::PrintDocument(*b, w); }},
        {"page setup", [&](const doc::TStillWanted& w) { doc::SetupPage(*b, w); }},
        {"save text", [&](const doc::TStillWanted& w) { doc::SavePageText(*b, w); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_timerRan = false;
        UINT_PTR timer = SetTimer(nullptr, 0, 20, MarkTimer);
        std::optional<bool> waited;
        c.run([&] {
            waited = g_timerRan;
            return false; // the command itself is not wanted here
        });
        KillTimer(nullptr, timer);
        EXPECT_EQ(waited, std::optional<bool>(false));
    }
    host::TEmbeddedBrowser::SetWaitLimitMs(limit);
}

HCURSOR g_cursorDuringWait = nullptr;
HWND g_cursorWindow = nullptr;
void CALLBACK AskCursorTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    SendMessageW(g_cursorWindow, WM_SETCURSOR, reinterpret_cast<WPARAM>(g_cursorWindow),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    g_cursorDuringWait = GetCursor();
}

void CALLBACK QuitTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostQuitMessage(0);
}

TEST_F(DocToolsTest, WaitShowsTheBusyCursorAndEndsAtOnceOnQuit) {
    stub::Page never;
    never.neverComplete = true;
    stub::SetPage(L"http://never.example/", never);
    auto b = HostWithPage(L"first");
    stub::Engine* e = EngineOf(*b);
    b->NavigateUrl(L"http://never.example/");
    DWORD limit = host::TEmbeddedBrowser::WaitLimitMs();
    host::TEmbeddedBrowser::SetWaitLimitMs(300);
    g_cursorWindow = b->Handle();
    g_cursorDuringWait = nullptr;
    SetTimer(nullptr, 0, 50, AskCursorTimer);
    doc::PrintDocument(*b); // times out
    EXPECT_EQ(g_cursorDuringWait, LoadCursorW(nullptr, IDC_WAIT));
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    SendMessageW(g_cursorWindow, WM_SETCURSOR, reinterpret_cast<WPARAM>(g_cursorWindow),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW)) << "the busy cursor outlived the wait";

    // A quit posted during the wait ends it at once; the commands do not go on.
    host::TEmbeddedBrowser::SetWaitLimitMs(60000);
    const size_t commands = e->Commands().size();
    struct Case {
        const char* name;
        std::function<void()> run;
    } cases[] = {
        {"print", [&] { doc::PrintDocument(*b); }},
        {"save text", [&] { doc::SavePageText(*b); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetTimer(nullptr, 0, 50, QuitTimer);
        ULONGLONG start = GetTickCount64();
        c.run();
        EXPECT_LT(GetTickCount64() - start, 30000u);
        EXPECT_TRUE(tk::Application::Terminated());
        tk::Application::ResetTerminated();
    }
    EXPECT_EQ(e->Commands().size(), commands);
    EXPECT_TRUE(kvtest::SeenFileDialogs().empty());
    host::TEmbeddedBrowser::SetWaitLimitMs(limit);
}

std::unique_ptr<host::TEmbeddedBrowser>* g_owner = nullptr;

void CALLBACK DestroyHostTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (g_owner != nullptr) {
        g_owner->reset();
    }
}

TEST_F(DocToolsTest, HostDestroyedDuringTheWaitEndsThePrintWithoutTouchingIt) {
    stub::Page never;
    never.neverComplete = true;
    stub::SetPage(L"http://never.example/", never);
    auto b = HostWithPage(L"first");
    b->NavigateUrl(L"http://never.example/");
    g_owner = &b;
    SetTimer(nullptr, 0, 100, DestroyHostTimer);
    host::TEmbeddedBrowser* raw = b.get();
    doc::PrintDocument(*raw);
    g_owner = nullptr;
    EXPECT_EQ(b, nullptr);
    EXPECT_TRUE(stub::Instances().empty());
    for (const auto& entry : stub::CallLog()) {
        EXPECT_NE(entry.compare(0, 6, L"ExecWB"), 0);
    }
    EXPECT_TRUE(kvtest::SeenModals().empty());
}

TEST_F(DocToolsTest, SavedTextIsThePageTextAndOneLineEnd) {
    auto b = HostWithPage(L"abc");
    std::wstring path = folder_.Path() + L"abc.txt";
    SaveText(*b, path);
    EXPECT_EQ(kvtest::ReadBytes(path), std::optional<std::string>("abc\r\n"));
    ASSERT_EQ(kvtest::SeenFileDialogs().size(), 1u);
    kvtest::SeenFileDialog seen = kvtest::SeenFileDialogs()[0];
    EXPECT_EQ(seen.caption, L"Web Site Text");
    EXPECT_EQ(seen.fileName, L"WebSiteText.txt");
    EXPECT_EQ(seen.filters, (Strings{L"Text file", L"Word file"}));
    EXPECT_EQ(seen.selectedFilter, 0);

    // Saving again over it replaces it without asking; lines inside the text stay as they are.
    auto c = HostWithPage(L"line one\r\nline two");
    SaveText(*c, path);
    EXPECT_EQ(kvtest::ReadBytes(path), std::optional<std::string>("line one\r\nline two\r\n"));
    EXPECT_TRUE(kvtest::SeenModals().empty());
}

TEST_F(DocToolsTest, ChineseTextIsWrittenInTheAnsiCodePage) {
    auto b = HostWithPage(L"中文abc");
    std::wstring path = folder_.Path() + L"zh.txt";
    SaveText(*b, path);
    if (GetACP() == 936) {
        EXPECT_EQ(kvtest::ReadBytes(path), std::optional<std::string>("\xD6\xD0\xCE\xC4"
                                                                      "abc\r\n"));
    } else if (GetACP() == 1252) {
        EXPECT_EQ(kvtest::ReadBytes(path), std::optional<std::string>("??abc\r\n"));
    }
}

TEST_F(DocToolsTest, WordFilterWritesTheSameBytesAndCancelWritesNothing) {
    auto b = HostWithPage(L"abc");
    SaveText(*b, folder_.Path() + L"plain", 2);
    ASSERT_EQ(kvtest::SeenFileDialogs().size(), 1u);
    std::optional<std::string> doc = kvtest::ReadBytes(folder_.Path() + L"plain.doc");
    std::optional<std::string> txt = kvtest::ReadBytes(folder_.Path() + L"plain.txt");
    EXPECT_TRUE(doc.has_value() != txt.has_value()); // one name, completed by the platform
    EXPECT_EQ(doc ? doc : txt, std::optional<std::string>("abc\r\n"));

    SaveText(*b, L""); // cancelled: nothing written, nothing reported
    EXPECT_EQ(kvtest::SeenFileDialogs().size(), 2u);
    EXPECT_TRUE(kvtest::SeenModals().empty());
}

TEST_F(DocToolsTest, WithoutADocumentTheSavedFileIsEmpty) {
    auto b = MakeHost(); // never navigated: the wait gives up after the limit
    DWORD limit = host::TEmbeddedBrowser::WaitLimitMs();
    host::TEmbeddedBrowser::SetWaitLimitMs(200);
    std::wstring path = folder_.Path() + L"empty.txt";
    kvtest::WriteBytes(path, "old content");
    SaveText(*b, path);
    host::TEmbeddedBrowser::SetWaitLimitMs(limit);
    EXPECT_EQ(kvtest::ReadBytes(path), std::optional<std::string>(""));
}

TEST_F(DocToolsTest, FailedWriteRaisesAndLeavesTheOldFileWhole) {
    auto b = HostWithPage(L"abc");
    std::wstring missing = folder_.Path() + L"no such folder\\x.txt";
    kvtest::AnswerFileDialog(L"Web Site Text", missing);
    EXPECT_THROW(doc::SavePageText(*b), tk::Error);
    EXPECT_FALSE(kvtest::Exists(missing));

    // A file that another program holds open without sharing cannot be replaced.
    std::wstring held = folder_.Path() + L"held.txt";
    kvtest::WriteBytes(held, "keep me");
    HANDLE h = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    kvtest::AnswerFileDialog(L"Web Site Text", held);
    EXPECT_THROW(doc::SavePageText(*b), tk::Error);
    CloseHandle(h);
    EXPECT_EQ(kvtest::ReadBytes(held), std::optional<std::string>("keep me"));
}

TEST_F(DocToolsTest, OpenDialogShowsTheChosenFileAndCancelDoesNothing) {
    auto b = MakeHost();
    stub::Engine* e = EngineOf(*b);
    std::wstring file = folder_.Path() + L"page.html";
    kvtest::WriteBytes(file, "<html><body>x</body></html>");
    kvtest::AnswerFileDialog(L"Browser Open Dialog - Internet Files and Url Shortcuts", file);
    doc::ShowOpenDialog(*b);
    ASSERT_EQ(e->Navigations().size(), 1u);
    EXPECT_EQ(e->Navigations()[0].url, file);
    ASSERT_EQ(kvtest::SeenFileDialogs().size(), 1u);
    EXPECT_EQ(kvtest::SeenFileDialogs()[0].filters, (Strings{L"Internet Files and Url Shortcuts"}));

    kvtest::AnswerFileDialog(L"Browser Open Dialog - Internet Files and Url Shortcuts", L"");
    doc::ShowOpenDialog(*b);
    EXPECT_EQ(e->Navigations().size(), 1u);
}

TEST_F(DocToolsTest, CommandsWaitingForAWindowThatWasClosedDoNotGoOn) {
    auto b = HostWithPage(L"abc");
    stub::Engine* e = EngineOf(*b);
    bool wanted = false;
    doc::PrintDocument(*b, [&] { return wanted; });
    doc::SetupPage(*b, [&] { return wanted; });
    EXPECT_TRUE(e->Commands().empty());
    std::wstring path = folder_.Path() + L"closed.txt";
    kvtest::AnswerFileDialog(L"Web Site Text", path);
    doc::SavePageText(*b, [&] { return kvtest::SeenFileDialogs().empty(); });
    EXPECT_FALSE(kvtest::Exists(path));
    kvtest::AnswerFileDialog(L"Browser Open Dialog - Internet Files and Url Shortcuts", path);
    doc::ShowOpenDialog(*b, [&] { return wanted; });
    EXPECT_EQ(e->Navigations().size(), 1u);
}

TEST_F(DocToolsTest, HostDestroyedWhileItsDialogIsOpenIsLeftAlone) {
    std::wstring path = folder_.Path() + L"gone.txt";
    auto b = HostWithPage(L"abc");
    host::TEmbeddedBrowser* raw = b.get();
    kvtest::FileDialogAnswer save;
    save.caption = L"Web Site Text";
    save.fileName = path;
    save.whileOpen = [&] { b.reset(); };
    kvtest::AnswerFileDialog(save);
    doc::SavePageText(*raw);
    EXPECT_EQ(b, nullptr);
    EXPECT_FALSE(kvtest::Exists(path));

    b = HostWithPage(L"abc");
    raw = b.get();
    stub::ClearCallLog();
    kvtest::FileDialogAnswer open;
    open.caption = L"Browser Open Dialog - Internet Files and Url Shortcuts";
    open.fileName = path;
    open.whileOpen = [&] { b.reset(); };
    kvtest::AnswerFileDialog(open);
    doc::ShowOpenDialog(*raw);
    EXPECT_EQ(b, nullptr);
    for (const auto& entry : stub::CallLog()) {
        EXPECT_NE(entry.compare(0, 9, L"Navigate2"), 0);
    }
    EXPECT_TRUE(kvtest::SeenModals().empty());
}

} // namespace
