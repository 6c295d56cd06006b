#include <winsock2.h>
#include <ws2tcpip.h>

#include "time/DaytimeSocket.h"

#include <algorithm>
#include <string_view>

#include "core/DaytimeReply.h"
#include "core/Exception.h"
#include "core/TimeTrust.h"
#include "platform/Handles.h"
#include "time/TimeZone.h"

namespace cs {
namespace {

using Clock = std::chrono::steady_clock;

// The largest stored server list read: 64 addresses of 15 characters and their terminators.
constexpr DWORD kServersValueLimit = 4096;

class WinsockSession {
public:
    WinsockSession() noexcept {
        WSADATA data;
        m_started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockSession() {
        if (m_started) ::WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    explicit operator bool() const noexcept { return m_started; }

private:
    bool m_started = false;
};

inline void CloseSocket(SOCKET socket) noexcept {
    ::closesocket(socket);
}
using unique_socket = unique_handle<SOCKET, CloseSocket, INVALID_SOCKET>;

timeval Remaining(Clock::time_point deadline) {
    const auto left = std::max(Clock::duration::zero(), deadline - Clock::now());
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
    return timeval{static_cast<long>(us / 1000000), static_cast<long>(us % 1000000)};
}

// select() on one socket until the deadline: true when it is ready.
bool WaitFor(SOCKET socket, bool write, Clock::time_point deadline) {
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval wait = Remaining(deadline);
    const int n = ::select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &wait);
    return n > 0 && FD_ISSET(socket, &ready) && !FD_ISSET(socket, &failed);
}

// The first line with text in it has come to its end (the line feeds before it skipped), or a
// zero byte has ended what is read.
bool LineEnded(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) return true;
    const std::size_t start = text.find_first_not_of("\r\n");
    return start != std::string_view::npos &&
           text.find_first_of("\r\n", start) != std::string_view::npos;
}

}  // namespace

std::optional<std::string> FetchDaytimeLine(const std::string& address,
                                            std::chrono::milliseconds limit, unsigned short port) {
    const auto deadline = Clock::now() + limit;
    const std::optional<std::uint32_t> ip = DottedQuadAddress(address);
    if (!ip) return std::nullopt;
    const WinsockSession winsock;
    if (!winsock) return std::nullopt;

    const unique_socket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!socket) return std::nullopt;
    // Non-blocking, so that a server that never completes the connection costs no more than the
    // limit: a blocking connect waits for the system's own time-out, over a minute.
    u_long nonBlocking = 1;
    if (::ioctlsocket(socket.get(), FIONBIO, &nonBlocking) != 0) return std::nullopt;

    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = ::htons(port);
    server.sin_addr.s_addr = ::htonl(*ip);
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) {
        if (::WSAGetLastError() != WSAEWOULDBLOCK) return std::nullopt;
        if (!WaitFor(socket.get(), true, deadline)) return std::nullopt;
        int error = 0;
        int size = sizeof error;
        if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                         &size) != 0 ||
            error != 0) {
            return std::nullopt;
        }
    }

    // A Daytime server sends its line as soon as the connection is made and then closes it. The
    // time is taken as the line arrives: one that keeps the connection open after its line must
    // not hold the reading back (and the clock wrong by as much).
    std::string line;
    char buffer[kDaytimeLineLimit];
    while (line.size() < kDaytimeLineLimit && !LineEnded(line) &&
           WaitFor(socket.get(), false, deadline)) {
        const int n =
            ::recv(socket.get(), buffer, static_cast<int>(kDaytimeLineLimit - line.size()), 0);
        if (n <= 0) break;
        line.append(buffer, static_cast<std::size_t>(n));
    }
    line.resize(std::min(line.find('\0'), line.size()));
    if (line.empty()) return std::nullopt;
    return line;
}

FetchedTime AskServers(const std::vector<std::string>& list, std::uint16_t first,
                       std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    // Unhealthy only when every line that came said so; a line that is no time at all counts
    // as no time.
    bool unhealthy = false;
    bool notATime = false;
    for (std::size_t k = 0; k < list.size(); ++k) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= std::chrono::milliseconds::zero()) break;
        const std::size_t index = (first + k) % list.size();
        const std::optional<std::string> line =
            FetchDaytimeLine(list[index], std::min(left, kDaytimeServerLimit));
        if (!line) continue;
        DateTime server = 0.0;
        try {
            server = ParseDaytimeReply(*line);
        } catch (const Exception&) {
            // A line with fields that are no numbers or no real date is no time either.
        }
        if (server == 0.0) {
            notATime = true;
            continue;
        }
        if (ReportsUnhealthy(*line)) {
            unhealthy = true;
            continue;
        }
        FetchedTime fetched;
        fetched.Kind = FetchedTime::Result::Time;
        fetched.ServerIndex = static_cast<std::uint16_t>(index);
        fetched.Server = server;
        fetched.DifferenceDays = server - CurrentUtc();
        return fetched;
    }
    FetchedTime none;
    none.Kind =
        unhealthy && !notATime ? FetchedTime::Result::Unhealthy : FetchedTime::Result::NoTime;
    return none;
}

std::vector<std::string> ReadServiceServers() {
    // Nothing stored: the program's own servers. Anything stored that cannot be read as a list
    // (another type, too large, unreadable) gives no servers.
    unique_hkey key;
    LSTATUS error = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceServersKey, 0,
                                    KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put());
    if (error == ERROR_FILE_NOT_FOUND) return ServiceServerList(std::nullopt);
    if (error != ERROR_SUCCESS) return {};
    std::string data(kServersValueLimit, '\0');
    DWORD type = 0;
    DWORD size = kServersValueLimit;
    error = ::RegQueryValueExA(key.get(), kServiceServersValue, nullptr, &type,
                               reinterpret_cast<BYTE*>(data.data()), &size);
    if (error == ERROR_FILE_NOT_FOUND) return ServiceServerList(std::nullopt);
    if (error != ERROR_SUCCESS || type != REG_MULTI_SZ) return {};
    data.resize(std::min<DWORD>(size, kServersValueLimit));
    return ServiceServerList(data);
}

}  // namespace cs
