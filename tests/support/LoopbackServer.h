#pragma once
// Servers that tests start on 127.0.0.1 and stop again, to talk to the real WinInet.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace cs::test {

namespace detail {
class TcpServer;
}

// A Daytime server: every connection to 127.0.0.1:port gets reply, then the server stops
// sending. Wine's WinInet takes the first line of a reply without an HTTP status line for a
// header, so reply should begin with a line feed, as real servers' replies do. An empty reply
// accepts the connection and sends nothing.
class LoopbackDaytimeServer {
public:
    explicit LoopbackDaytimeServer(std::string reply, unsigned short port = 13,
                                   const char* address = "127.0.0.1");
    ~LoopbackDaytimeServer();
    LoopbackDaytimeServer(const LoopbackDaytimeServer&) = delete;
    LoopbackDaytimeServer& operator=(const LoopbackDaytimeServer&) = delete;

    // A server that accepts every connection and never sends a byte nor closes, until it stops.
    static std::unique_ptr<LoopbackDaytimeServer> Silent(const char* address);
    // One that sends reply and then keeps the connection open, sending nothing more.
    static std::unique_ptr<LoopbackDaytimeServer> Holding(std::string reply, const char* address);

    // Connections accepted so far, and when each was accepted.
    int Connections() const;
    std::vector<std::chrono::steady_clock::time_point> ConnectionTimes() const;

private:
    explicit LoopbackDaytimeServer(std::unique_ptr<detail::TcpServer> server);
    std::unique_ptr<detail::TcpServer> m_server;
};

// A listening socket on address:13 that never accepts, its accept queue filled by connections of
// its own: a client's connection is never completed, as behind a firewall that drops the packets.
class StalledListener {
public:
    explicit StalledListener(const char* address);
    ~StalledListener();
    StalledListener(const StalledListener&) = delete;
    StalledListener& operator=(const StalledListener&) = delete;

private:
    std::vector<unsigned long long> m_sockets;  // SOCKETs, the listener first
};

// An HTTP proxy on 127.0.0.1:port that answers every request with "HTTP/1.0 200 OK" and body,
// and records the first line of each request ("GET http://... HTTP/1.1").
class LoopbackHttpProxy {
public:
    LoopbackHttpProxy(std::string body, unsigned short port);
    ~LoopbackHttpProxy();
    LoopbackHttpProxy(const LoopbackHttpProxy&) = delete;
    LoopbackHttpProxy& operator=(const LoopbackHttpProxy&) = delete;

    std::vector<std::string> RequestLines() const;

private:
    std::unique_ptr<detail::TcpServer> m_server;
};

}  // namespace cs::test
