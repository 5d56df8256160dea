// Site list download against a small HTTP server on 127.0.0.1 run by this test process.
#include <winsock2.h>
#include <ws2tcpip.h>

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

// The test executables do not link the socket library; its few functions are looked up at
// run time instead.
struct Winsock {
    HMODULE lib = nullptr;
    decltype(&::WSAStartup) startup = nullptr;
    decltype(&::WSACleanup) cleanup = nullptr;
    decltype(&::socket) socket = nullptr;
    decltype(&::bind) bind = nullptr;
    decltype(&::listen) listen = nullptr;
    decltype(&::accept) accept = nullptr;
    decltype(&::recv) recv = nullptr;
    decltype(&::send) send = nullptr;
    decltype(&::shutdown) shutdown = nullptr;
    decltype(&::closesocket) closesocket = nullptr;
    decltype(&::getsockname) getsockname = nullptr;
    decltype(&::setsockopt) setsockopt = nullptr;
    decltype(&::select) select = nullptr;
    bool ok = false;

    Winsock() {
        lib = LoadLibraryW(L"ws2_32.dll");
        if (!lib) {
            return;
        }
        Load(startup, "WSAStartup");
        Load(cleanup, "WSACleanup");
        Load(socket, "socket");
        Load(bind, "bind");
        Load(listen, "listen");
        Load(accept, "accept");
        Load(recv, "recv");
        Load(send, "send");
        Load(shutdown, "shutdown");
        Load(closesocket, "closesocket");
        Load(getsockname, "getsockname");
        Load(setsockopt, "setsockopt");
        Load(select, "select");
        WSADATA data{};
        ok = startup && cleanup && socket && bind && listen && accept && recv && send && shutdown &&
             closesocket && getsockname && setsockopt && select &&
             startup(MAKEWORD(2, 2), &data) == 0;
    }
    ~Winsock() {
        if (ok) {
            cleanup();
        }
        if (lib) {
            FreeLibrary(lib);
        }
    }
    template <class F> void Load(F& f, const char* name) {
        f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
    }
};

Winsock& Sockets() {
    static Winsock ws;
    return ws;
}

// What the server answers for one path.
struct Reply {
    std::string status = "200 OK";
    std::string body;
    // Bytes of the body actually sent before the connection is reset; npos sends it all.
    size_t cutAfter = std::string::npos;
};

// Serves GET requests on 127.0.0.1 at a free port until destroyed or until its time is up,
// so a test that goes wrong never leaves it running.
class LoopbackHttpServer {
public:
    explicit LoopbackHttpServer(std::map<std::string, Reply> replies,
                                std::chrono::seconds lifetime = std::chrono::seconds(30))
        : replies_(std::move(replies)), deadline_(std::chrono::steady_clock::now() + lifetime) {
        Winsock& ws = Sockets();
        if (!ws.ok) {
            return;
        }
        listener_ = ws.socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (listener_ == INVALID_SOCKET) {
            return;
        }
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = LoopbackAddress();
        addr.sin_port = 0;
        int len = sizeof(addr);
        if (ws.bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
            ws.listen(listener_, 8) != 0 ||
            ws.getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
            ws.closesocket(listener_);
            listener_ = INVALID_SOCKET;
            return;
        }
        port_ = (addr.sin_port & 0xFF) << 8 | (addr.sin_port >> 8 & 0xFF);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackHttpServer() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        if (listener_ != INVALID_SOCKET) {
            Sockets().closesocket(listener_);
        }
    }
    bool Running() const { return port_ != 0; }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    std::vector<std::string> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    static ULONG LoopbackAddress() {
        // 127.0.0.1 in network byte order.
        return 0x0100007F;
    }

private:
    void Serve() {
        Winsock& ws = Sockets();
        while (!stop_ && std::chrono::steady_clock::now() < deadline_) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(listener_, &readable);
            timeval wait{0, 50 * 1000};
            if (ws.select(0, &readable, nullptr, nullptr, &wait) != 1) {
                continue;
            }
            SOCKET client = ws.accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                continue;
            }
            Answer(client);
        }
    }

    void Answer(SOCKET client) {
        Winsock& ws = Sockets();
        DWORD timeout = 5000;
        ws.setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                      sizeof(timeout));
        std::string request;
        char buf[1024];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            int n = ws.recv(client, buf, sizeof(buf), 0);
            if (n <= 0) {
                break;
            }
            request.append(buf, static_cast<size_t>(n));
        }
        std::string path;
        size_t sp = request.find(' ');
        if (sp != std::string::npos) {
            size_t end = request.find(' ', sp + 1);
            path = request.substr(sp + 1, end == std::string::npos ? end : end - sp - 1);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(path);
        }
        auto it = replies_.find(path);
        Reply reply = it != replies_.end() ? it->second : Reply{"404 Not Found", "no such page"};
        std::string head =
            "HTTP/1.1 " + reply.status +
            "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(reply.body.size()) +
            "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
        std::string out = head + reply.body.substr(0, reply.cutAfter);
        SendAll(client, out);
        if (reply.cutAfter != std::string::npos) {
            // Reset instead of an orderly close: the connection breaks in the middle of the body.
            LINGER hard{1, 0};
            ws.setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard),
                          sizeof(hard));
            ws.closesocket(client);
            return;
        }
        ws.shutdown(client, SD_SEND);
        while (ws.recv(client, buf, sizeof(buf), 0) > 0) {
        }
        ws.closesocket(client);
    }

    void SendAll(SOCKET client, const std::string& data) {
        size_t sent = 0;
        while (sent < data.size()) {
            int n =
                Sockets().send(client, data.data() + sent, static_cast<int>(data.size() - sent), 0);
            if (n <= 0) {
                return;
            }
            sent += static_cast<size_t>(n);
        }
    }

    std::map<std::string, Reply> replies_;
    std::chrono::steady_clock::time_point deadline_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

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
