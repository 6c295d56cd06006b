#pragma once
// Servers that tests start on 127.0.0.1 and stop again, to talk to the real WinInet.
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
// accepts the connection and sends nothing. host is any 127.x.x.x address.
class LoopbackDaytimeServer {
public:
    explicit LoopbackDaytimeServer(std::string reply, unsigned short port = 13,
                                   const std::string& host = "127.0.0.1");
    ~LoopbackDaytimeServer();
    LoopbackDaytimeServer(const LoopbackDaytimeServer&) = delete;
    LoopbackDaytimeServer& operator=(const LoopbackDaytimeServer&) = delete;

    // Connections accepted so far.
    int Connections() const;

private:
    std::unique_ptr<detail::TcpServer> m_server;
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
