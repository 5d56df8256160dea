// Recording an entered address in a browser window whose histories hold 100,000 lines: the
// navigation-start handler as the engine calls it, with the window's address box (a Win32
// combo box) and the frame's shared history. Runs against the stand-in engine.
//
// Prints:
//   navigation_record_move_100k <median> us    address present near the end, moved to the top
//   navigation_record_insert_100k <median> us  address absent, inserted at the top
#include "bench_support.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"
#include "toolkit/system_codec.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace kvbench;

namespace {

constexpr size_t kLines = 100000;
constexpr int kRuns = 101;

void WriteHistory(const std::wstring& path) {
    std::string bytes;
    for (size_t i = 0; i < kLines; ++i) {
        bytes += "http://site" + std::to_string(i) + ".example/page.html\r\n";
    }
    WriteFileBytes(path, bytes);
}

// One navigation start with the record mark set, as after an entered address.
double RecordOnce(TMDIChild& w, const std::string& url) {
    std::wstring wide = tk::SystemCodec().FromAnsi(url);
    VARIANT text;
    VariantInit(&text);
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    VARIANT byRef;
    VariantInit(&byRef);
    V_VT(&byRef) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&byRef) = &text;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    w.FRecordNextUrl = true;
    auto start = std::chrono::steady_clock::now();
    w.WebBrowser1BeforeNavigate2(*w.WebBrowser1, nullptr, &byRef, nullptr, nullptr, nullptr,
                                 nullptr, &cancel);
    auto end = std::chrono::steady_clock::now();
    VariantClear(&text);
    return std::chrono::duration<double, std::micro>(end - start).count();
}

} // namespace

int main() {
    if (!StartUp()) {
        return 2;
    }
    int rc = 0;
    {
        stub::ScopedRegistration engine;
        std::wstring folder = TempFolder(L"kvbench-nav");
        WriteHistory(folder + L"UrlsList.txt");
        auto frame = std::make_unique<TMainForm>(StartIn(folder));
        frame->Show(SW_SHOWNORMAL);
        tk::Application::ProcessMessages();
        frame->FinishHistoryLoad(); // a long history arrives after the start; it is measured here
        TMDIChild* w = frame->ActiveBrowserWindow();
        if (w == nullptr || w->URLS.Items().size() < kLines) {
            std::fprintf(stderr, "history not loaded\n");
            rc = 1;
        } else {
            std::vector<double> move, insert;
            for (int i = 0; i < kRuns; ++i) {
                // The last line each time: moving it up leaves the one before it last.
                move.push_back(RecordOnce(*w, std::string(w->URLS.Items().back())));
            }
            for (int i = 0; i < kRuns; ++i) {
                insert.push_back(RecordOnce(*w, "http://new" + std::to_string(i) + ".example/"));
            }
            if (frame->ListBoxURL != w->URLS.Items()) {
                std::fprintf(stderr, "histories differ\n");
                rc = 1;
            }
            std::printf("navigation_record_move_100k %.1f us\n", Median(move));
            std::printf("navigation_record_insert_100k %.1f us\n", Median(insert));
        }
        frame.reset();
        for (const wchar_t* name : {L"UrlsList.txt", L"kvbr.ini"}) {
            DeleteFileW((folder + name).c_str());
        }
        RemoveDirectoryW(folder.c_str());
    }
    OleUninitialize();
    return rc;
}
