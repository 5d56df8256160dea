// A small HTTP server on 127.0.0.1 run by a test process. It answers GET requests by their
// target as sent: a path, or an absolute address when it is used as a proxy.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kvtest {

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

inline Winsock& Sockets() {
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
    // Answers later requests for target with reply.
    void SetReply(const std::string& target, Reply reply) {
        std::lock_guard<std::mutex> lock(mutex_);
        replies_[target] = std::move(reply);
    }
    int Port() const { return port_; }
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
        Reply reply{"404 Not Found", "no such page"};
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(path);
            auto it = replies_.find(path);
            if (it != replies_.end()) {
                reply = it->second;
            }
        }
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

} // namespace kvtest
