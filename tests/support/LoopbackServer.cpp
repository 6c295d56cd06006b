#include "support/LoopbackServer.h"
#include "support/LoopbackSocket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace cs::test {
namespace detail {

// One listening socket on 127.0.0.1 served from a background thread, one thread per
// connection. Every wait is bounded and checks the stop flag, so destruction never hangs.
class TcpServer {
public:
    using Clock = std::chrono::steady_clock;

    enum class Mode { Daytime, Silent, Holding, HttpProxy };

    TcpServer(Mode mode, std::string payload, unsigned short port,
              const char* address = "127.0.0.1")
        : m_mode(mode), m_payload(std::move(payload)) {
        WSADATA data;
        if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
        try {
            m_listener = ListenOnLoopback(port, address);
        } catch (...) {
            ::WSACleanup();
            throw;
        }
        m_thread = std::thread([this] { AcceptLoop(); });
    }

    ~TcpServer() {
        m_stop = true;
        m_thread.join();
        ::closesocket(m_listener);
        ::WSACleanup();
    }

    int Connections() const { return m_connections; }

    std::vector<Clock::time_point> ConnectionTimes() const {
        const std::lock_guard lock(m_mutex);
        return m_connectionTimes;
    }

    std::vector<std::string> RequestLines() const {
        const std::lock_guard lock(m_mutex);
        return m_requestLines;
    }

private:
    static constexpr auto kConnectionLimit = std::chrono::seconds(5);

    // True when socket has something to read (or was closed) within about 50 ms.
    static bool Readable(SOCKET socket) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval wait{0, 50000};
        return ::select(0, &set, nullptr, nullptr, &wait) > 0;
    }

    void AcceptLoop() {
        std::vector<std::thread> workers;
        while (!m_stop) {
            if (!Readable(m_listener)) continue;
            const SOCKET client = ::accept(m_listener, nullptr, nullptr);
            if (client == INVALID_SOCKET) continue;
            ++m_connections;
            {
                const std::lock_guard lock(m_mutex);
                m_connectionTimes.push_back(Clock::now());
            }
            workers.emplace_back([this, client] { Serve(client); });
        }
        for (std::thread& worker : workers) worker.join();
    }

    void Serve(SOCKET client) {
        if (m_mode == Mode::Silent || m_mode == Mode::Holding) {
            // Reads whatever comes and answers nothing (Holding: after its reply), until the
            // server stops.
            if (m_mode == Mode::Holding) SendAll(client, m_payload);
            char buffer[1024];
            while (!m_stop) {
                if (Readable(client) && ::recv(client, buffer, sizeof buffer, 0) <= 0) break;
            }
            ::closesocket(client);
            return;
        }
        const auto deadline = Clock::now() + kConnectionLimit;
        if (m_mode == Mode::HttpProxy) {
            const std::string request = ReadRequestHead(client, deadline);
            {
                const std::lock_guard lock(m_mutex);
                m_requestLines.push_back(request.substr(0, request.find("\r\n")));
            }
            SendAll(client, "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                                std::to_string(m_payload.size()) + "\r\nConnection: close\r\n\r\n" +
                                m_payload);
        } else {
            // A Daytime server speaks first and ignores whatever the client sends.
            SendAll(client, m_payload);
        }
        // Closing with the client's request unread would make the kernel answer with a reset,
        // and WinInet would lose the reply. So: stop sending, read until the client closes.
        ::shutdown(client, SD_SEND);
        Drain(client, deadline);
        ::closesocket(client);
    }

    std::string ReadRequestHead(SOCKET client, Clock::time_point deadline) {
        std::string request;
        char buffer[1024];
        while (!m_stop && Clock::now() < deadline &&
               request.find("\r\n\r\n") == std::string::npos) {
            if (!Readable(client)) continue;
            const int n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            request.append(buffer, n);
        }
        return request;
    }

    void Drain(SOCKET client, Clock::time_point deadline) {
        char buffer[1024];
        while (!m_stop && Clock::now() < deadline) {
            if (!Readable(client)) continue;
            if (::recv(client, buffer, sizeof buffer, 0) <= 0) break;
        }
    }

    static void SendAll(SOCKET client, const std::string& data) {
        std::size_t sent = 0;
        while (sent < data.size()) {
            const int n =
                ::send(client, data.data() + sent, static_cast<int>(data.size() - sent), 0);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }

    const Mode m_mode;
    const std::string m_payload;
    SOCKET m_listener = INVALID_SOCKET;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requestLines;
    std::vector<Clock::time_point> m_connectionTimes;
    std::thread m_thread;
};

}  // namespace detail

LoopbackDaytimeServer::LoopbackDaytimeServer(std::string reply, unsigned short port,
                                             const char* address)
    : m_server(std::make_unique<detail::TcpServer>(detail::TcpServer::Mode::Daytime,
                                                   std::move(reply), port, address)) {}
LoopbackDaytimeServer::LoopbackDaytimeServer(std::unique_ptr<detail::TcpServer> server)
    : m_server(std::move(server)) {}
LoopbackDaytimeServer::~LoopbackDaytimeServer() = default;
std::unique_ptr<LoopbackDaytimeServer> LoopbackDaytimeServer::Silent(const char* address) {
    return std::unique_ptr<LoopbackDaytimeServer>(new LoopbackDaytimeServer(
        std::make_unique<detail::TcpServer>(detail::TcpServer::Mode::Silent, "", 13, address)));
}
std::unique_ptr<LoopbackDaytimeServer> LoopbackDaytimeServer::Holding(std::string reply,
                                                                      const char* address) {
    return std::unique_ptr<LoopbackDaytimeServer>(
        new LoopbackDaytimeServer(std::make_unique<detail::TcpServer>(
            detail::TcpServer::Mode::Holding, std::move(reply), 13, address)));
}
int LoopbackDaytimeServer::Connections() const {
    return m_server->Connections();
}
std::vector<std::chrono::steady_clock::time_point> LoopbackDaytimeServer::ConnectionTimes() const {
    return m_server->ConnectionTimes();
}

StalledListener::StalledListener(const char* address) {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
    const SOCKET listener = ListenOnLoopback(13, address, 1);
    m_sockets.push_back(listener);
    // The kernel queues a few completed connections beyond the backlog; once the queue is full
    // it drops every further connection request, and a connect no longer completes.
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = ::htons(13);
    ::inet_pton(AF_INET, address, &to.sin_addr);
    for (int i = 0; i < 16; ++i) {
        const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        u_long nonBlocking = 1;
        ::ioctlsocket(s, FIONBIO, &nonBlocking);
        ::connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        m_sockets.push_back(s);
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval wait{0, 200000};
        if (::select(0, nullptr, &set, nullptr, &wait) <= 0) break;
    }
}

StalledListener::~StalledListener() {
    for (auto s : m_sockets) ::closesocket(static_cast<SOCKET>(s));
    ::WSACleanup();
}

LoopbackHttpProxy::LoopbackHttpProxy(std::string body, unsigned short port)
    : m_server(std::make_unique<detail::TcpServer>(detail::TcpServer::Mode::HttpProxy,
                                                   std::move(body), port)) {}
LoopbackHttpProxy::~LoopbackHttpProxy() = default;
std::vector<std::string> LoopbackHttpProxy::RequestLines() const {
    return m_server->RequestLines();
}

SOCKET ListenOnLoopback(unsigned short port, const char* host, int backlog) {
    const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    // Servers on the same port follow one another within one test program.
    const BOOL reuse = TRUE;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
                 sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port);
    ::inet_pton(AF_INET, host, &address.sin_addr);
    if (listener == INVALID_SOCKET ||
        ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, backlog) != 0) {
        const int error = ::WSAGetLastError();
        if (listener != INVALID_SOCKET) ::closesocket(listener);
        throw std::runtime_error("cannot listen on " + std::string(host) + ":" +
                                 std::to_string(port) + ", error " + std::to_string(error));
    }
    return listener;
}

}  // namespace cs::test
