// Long lists: a 100,000-line site list at start and its first drop-down, the first drop-down
// and the first Down key of a window's address box with 10,000 and 100,000 history entries,
// and the memory each extra window costs with a 50 MB (1.27 million line) history. Stand-in
// engine, in this process.
//
// Prints:
//   lists_frame_create_builtin_sites <ms>     frame made with the built-in site list
//   lists_frame_create_sites_100k <ms>        frame made with a 100,000-line newslist.txt
//   lists_site_list_first_dropdown_100k <ms>  first drop-down of that site list
//   lists_address_first_down_key_<n> <ms>     first Down key in a new window's address box
//   lists_address_first_dropdown_<n> <ms>     first drop-down of that address box
//   lists_memory_per_window_history_50mb <KB> memory of each window after the first
//   lists_history_file_50mb_memory_ratio <x>  memory a 50 MB UrlsList.txt (761,448 lines) adds
//                                            to the started program (against a 10,000-line
//                                            one), over the difference of the files' sizes
//   lists_history_file_50mb_start_added <ms>  how much later the started program is idle with
//                                            that file than with a 10,000-line one (medians
//                                            of five starts each, taken in turn)
//   lists_history_file_50mb_history_ready <ms> when that file's lines are in the frame, after
//                                            the start began (median of the five starts); the
//                                            memory ratio is measured from then on
#include "bench_support.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace kvbench;

namespace {

double DropDown(HWND combo) {
    double t0 = NowMs();
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    Pump();
    double t1 = NowMs();
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    Pump();
    return t1 - t0;
}

void SiteList() {
    std::wstring folder = TempFolder(L"kvbench-sites");
    {
        double t0 = NowMs();
        TMainForm frame(StartIn(folder));
        frame.BuildContents();
        std::printf("lists_frame_create_builtin_sites %.1f ms\n", NowMs() - t0);
    }
    std::string sites;
    for (int i = 0; i < 100000; ++i) {
        sites += "Site " + std::to_string(i) + ":www.site" + std::to_string(i) + ".example\r\n";
    }
    WriteFileBytes(folder + L"newslist.txt", sites);
    {
        double t0 = NowMs();
        TMainForm frame(StartIn(folder));
        frame.BuildContents();
        std::printf("lists_frame_create_sites_100k %.1f ms\n", NowMs() - t0);
        ShowWindow(frame.Handle(), SW_SHOWNORMAL);
        Pump();
        std::printf("lists_site_list_first_dropdown_100k %.1f ms\n",
                    DropDown(frame.ComboBox1.Handle()));
    }
    DeleteFileW((folder + L"newslist.txt").c_str());
    DeleteFileW((folder + L"kvbr.ini").c_str());
    RemoveDirectoryW(folder.c_str());
}

void AddressBox(int entries) {
    std::wstring folder = TempFolder(L"kvbench-address");
    {
        TMainForm frame(StartIn(folder));
        frame.BuildContents();
        FillHistory(frame, entries);
        ShowWindow(frame.Handle(), SW_SHOWNORMAL);
        Pump();
        TMDIChild* w = frame.OpenBrowserWindow(L"KV-1");
        Pump();
        HWND edit = w->URLS.EditHandle();
        SetFocus(edit);
        double t0 = NowMs();
        SendMessageW(edit, WM_KEYDOWN, VK_DOWN, 1);
        Pump();
        double t1 = NowMs();
        std::printf("lists_address_first_down_key_%d %.1f ms\n", entries, t1 - t0);
        std::printf("lists_address_first_dropdown_%d %.1f ms\n", entries,
                    DropDown(w->URLS.Handle()));
        frame.FreeChildren();
    }
    DeleteFileW((folder + L"kvbr.ini").c_str());
    RemoveDirectoryW(folder.c_str());
}

void HistoryMemory() {
    std::wstring folder = TempFolder(L"kvbench-memory");
    {
        TMainForm frame(StartIn(folder));
        frame.BuildContents();
        // About 40 bytes a line: 1.27 million lines make the 50 MB history.
        std::string file;
        for (int i = 0; i < 1270000; ++i) {
            file += "http://www.example" + std::to_string(i) + ".com/p.html\r\n";
        }
        frame.ListBoxURL = kv::LineList::FromFileBytes(std::move(file));
        ShowWindow(frame.Handle(), SW_SHOWNORMAL);
        Pump();
        frame.OpenBrowserWindow(L"KV-1");
        Pump();
        size_t before = PrivateBytes();
        constexpr int kExtra = 5;
        for (int i = 0; i < kExtra; ++i) {
            frame.OpenBrowserWindow(L"KV-" + std::to_wstring(i + 2));
            Pump();
        }
        size_t after = PrivateBytes();
        std::printf("lists_memory_per_window_history_50mb %.0f KB\n",
                    (static_cast<double>(after) - static_cast<double>(before)) / 1024.0 / kExtra);
        frame.FreeChildren();
    }
    DeleteFileW((folder + L"kvbr.ini").c_str());
    RemoveDirectoryW(folder.c_str());
}

// A history file of `lines` addresses of about 66 bytes each; returns its size.
size_t WriteHistoryFile(const std::wstring& folder, int lines) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(lines) * 69);
    for (int i = 0; i < lines; ++i) {
        std::string line = "http://www.example" + std::to_string(i) + ".com/news/";
        line.append(56 - line.size(), 'a');
        bytes += line + "/index.html\r\n";
    }
    WriteFileBytes(folder + L"UrlsList.txt", bytes);
    return bytes.size();
}

struct StartCost {
    double ms;
    double readyMs; // the history's lines in the frame
    double bytes;
};

// The program started with the history file in `folder`: until its first window's blank page
// is complete and it is idle.
StartCost StartWithHistory(const std::wstring& folder) {
    Pump();
    size_t before = PrivateBytes();
    double t0 = NowMs();
    StartCost cost{};
    {
        TMainForm frame(StartIn(folder));
        frame.Show(SW_SHOWNORMAL);
        Pump();
        tk::Application::RunIdleHandlers();
        cost.ms = NowMs() - t0;
        while (!frame.HistoryLoaded()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            Pump();
        }
        cost.readyMs = NowMs() - t0;
        cost.bytes = static_cast<double>(PrivateBytes()) - static_cast<double>(before);
        frame.FreeChildren();
    }
    Pump();
    return cost;
}

void HistoryFile() {
    std::wstring small = TempFolder(L"kvbench-history-small");
    std::wstring big = TempFolder(L"kvbench-history-big");
    const size_t smallSize = WriteHistoryFile(small, 10000);
    const size_t bigSize = WriteHistoryFile(big, 761448);
    std::vector<double> smallMs, bigMs, bigReadyMs, smallBytes, bigBytes;
    for (int round = 0; round < 5; ++round) {
        StartCost s = StartWithHistory(small);
        StartCost b = StartWithHistory(big);
        smallMs.push_back(s.ms);
        bigMs.push_back(b.ms);
        bigReadyMs.push_back(b.readyMs);
        smallBytes.push_back(s.bytes);
        bigBytes.push_back(b.bytes);
    }
    std::printf("lists_history_file_50mb_size %.1f MB\n",
                static_cast<double>(bigSize) / 1024.0 / 1024.0);
    // Memory from the first round only: later rounds reuse what the heap kept of the earlier
    // ones.
    std::printf("lists_history_file_50mb_memory_ratio %.2f x\n",
                (bigBytes[0] - smallBytes[0]) / static_cast<double>(bigSize - smallSize));
    std::printf("lists_history_file_50mb_start_added %.0f ms\n", Median(bigMs) - Median(smallMs));
    std::printf("lists_history_file_50mb_history_ready %.0f ms\n", Median(bigReadyMs));
    for (const std::wstring& folder : {small, big}) {
        DeleteFileW((folder + L"UrlsList.txt").c_str());
        DeleteFileW((folder + L"kvbr.ini").c_str());
        RemoveDirectoryW(folder.c_str());
    }
}

} // namespace

int main() {
    if (!StartUp()) {
        return 2;
    }
    {
        stub::ScopedRegistration engine;
        SiteList();
        AddressBox(10000);
        AddressBox(100000);
        HistoryMemory();
        HistoryFile();
    }
    OleUninitialize();
    return 0;
}
