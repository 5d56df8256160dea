// Site list download against a small HTTP server on 127.0.0.1 run by this test process.
// First: the socket headers must come before <windows.h>.
#include "win32/support/loopback_http.h"

#include "app/site_list_download.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using kvtest::LoopbackHttpServer;
using kvtest::Reply;
using kvtest::Sockets;

// A fresh folder under the temporary folder, removed with its files afterwards.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name) {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        path_ = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        Remove();
        created_ = CreateDirectoryW(path_.c_str(), nullptr) != FALSE;
    }
    ~ScratchFolder() { Remove(); }
    bool Created() const { return created_; }
    const std::wstring& Path() const { return path_; }
    std::vector<std::wstring> Files() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data{};
        HANDLE find = FindFirstFileW((path_ + L"*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            return names;
        }
        do {
            std::wstring n = data.cFileName;
            if (n != L"." && n != L"..") {
                names.push_back(n);
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
        return names;
    }

private:
    void Remove() {
        for (const std::wstring& n : Files()) {
            DeleteFileW((path_ + n).c_str());
        }
        RemoveDirectoryW(path_.c_str());
    }
    std::wstring path_;
    bool created_ = false;
};

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD done = 0;
    BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(f);
    return ok && done == bytes.size();
}

// Content of a file, or "<missing>" when it cannot be opened.
std::string ReadBytes(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        return "<missing>";
    }
    std::string out;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(f, buf, sizeof(buf), &n, nullptr) && n > 0) {
        out.append(buf, n);
    }
    CloseHandle(f);
    return out;
}

// Site list lines in GBK: "新浪:www.sina.com.cn", "网易:http://www.163.com/", an empty line,
// and "百度:baidu.com" without a final line end.
const std::string kGbkSina = "\xd0\xc2\xc0\xcb:www.sina.com.cn";
const std::string kGbk163 = "\xcd\xf8\xd2\xd7:http://www.163.com/";
const std::string kGbkBaidu = "\xb0\xd9\xb6\xc8:baidu.com";
const std::string kGbkBody = kGbkSina + "\r\n" + kGbk163 + "\r\n\r\n" + kGbkBaidu;
// What the file held before: "旧站:old.example" in GBK.
const std::string kOldList = "\xbe\xc9\xd5\xbe:old.example\r\n";

class SiteListDownloadTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Sockets().ok) << "no socket library";
        ASSERT_TRUE(folder.Created());
    }
    std::wstring ListPath() const { return folder.Path() + L"newslist.txt"; }
    ScratchFolder folder{L"kv-sitelist"};
};

TEST_F(SiteListDownloadTest, SuccessReplacesFileAndGivesItsLines) {
    LoopbackHttpServer server({{"/kvbr/newslist.txt", Reply{"200 OK", kGbkBody}}});
    ASSERT_TRUE(server.Running());
    ASSERT_TRUE(WriteBytes(ListPath(), kOldList));

    app::SiteListDownload r = app::DownloadSiteList(server.Url("/kvbr/newslist.txt"), ListPath());

    EXPECT_EQ(r.status, app::SiteListStatus::Replaced) << std::hex << r.result;
    EXPECT_EQ(ReadBytes(ListPath()), kGbkBody);
    EXPECT_EQ(r.items, (std::vector<std::string>{kGbkSina, kGbk163, "", kGbkBaidu}));
    EXPECT_EQ(folder.Files(), std::vector<std::wstring>{L"newslist.txt"});
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"/kvbr/newslist.txt"});
}

TEST_F(SiteListDownloadTest, SuccessCreatesMissingFile) {
    LoopbackHttpServer server({{"/first/newslist.txt", Reply{"200 OK", kGbkSina + "\r\n"}}});
    ASSERT_TRUE(server.Running());

    app::SiteListDownload r = app::DownloadSiteList(server.Url("/first/newslist.txt"), ListPath());

    EXPECT_EQ(r.status, app::SiteListStatus::Replaced) << std::hex << r.result;
    EXPECT_EQ(ReadBytes(ListPath()), kGbkSina + "\r\n");
    EXPECT_EQ(r.items, std::vector<std::string>{kGbkSina});
}

// Every failure leaves the old file byte for byte, gives no items, and leaves no temporary
// file behind.
TEST_F(SiteListDownloadTest, FailuresLeaveFileAsItWas) {
    std::string big(4000, 'x');
    LoopbackHttpServer server({
        {"/missing/newslist.txt", Reply{"404 Not Found", "<html>not found</html>"}},
        {"/broken/newslist.txt", Reply{"200 OK", kGbkBody + big, kGbkBody.size() + 100}},
        {"/error/newslist.txt", Reply{"500 Internal Server Error", kGbkBody}},
    });
    ASSERT_TRUE(server.Running());
    ASSERT_TRUE(WriteBytes(ListPath(), kOldList));

    for (const char* path :
         {"/missing/newslist.txt", "/broken/newslist.txt", "/error/newslist.txt"}) {
        SCOPED_TRACE(path);
        app::SiteListDownload r = app::DownloadSiteList(server.Url(path), ListPath());
        EXPECT_NE(r.status, app::SiteListStatus::Replaced);
        EXPECT_TRUE(FAILED(r.result)) << std::hex << r.result;
        EXPECT_TRUE(r.items.empty());
        EXPECT_EQ(ReadBytes(ListPath()), kOldList);
        EXPECT_EQ(folder.Files(), std::vector<std::wstring>{L"newslist.txt"});
    }
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(SiteListDownloadTest, RefusedConnectionLeavesNoFile) {
    // A port that was free a moment ago: nothing answers there.
    std::string url;
    {
        LoopbackHttpServer probe({});
        ASSERT_TRUE(probe.Running());
        url = probe.Url("/kvbr/newslist.txt");
    }
    app::SiteListDownload r = app::DownloadSiteList(url, ListPath());
    EXPECT_EQ(r.status, app::SiteListStatus::DownloadFailed);
    EXPECT_TRUE(folder.Files().empty());
}

// A program folder whose name the ANSI code page cannot spell still gets its list.
TEST_F(SiteListDownloadTest, FolderOutsideAnsiCodePage) {
    ScratchFolder odd(L"kv-\u0e01\u0e02-list");
    if (!odd.Created()) {
        // Wine maps file names through the Unix locale; without a UTF-8 one it cannot
        // store these characters at all.
        GTEST_SKIP() << "the file system cannot name the folder here, error " << GetLastError();
    }
    LoopbackHttpServer server({{"/odd/newslist.txt", Reply{"200 OK", kGbkBody}}});
    ASSERT_TRUE(server.Running());
    std::wstring list = odd.Path() + L"newslist.txt";
    ASSERT_TRUE(WriteBytes(list, kOldList));

    app::SiteListDownload r = app::DownloadSiteList(server.Url("/odd/newslist.txt"), list);

    EXPECT_EQ(r.status, app::SiteListStatus::Replaced) << std::hex << r.result;
    EXPECT_EQ(ReadBytes(list), kGbkBody);
    EXPECT_EQ(odd.Files(), std::vector<std::wstring>{L"newslist.txt"});
}

} // namespace
