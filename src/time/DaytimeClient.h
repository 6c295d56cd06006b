#pragma once
#include <windows.h>

#include <string>

namespace cs {

// The dotted-quad IPv4 address of the current time server; empty until start-up sets it from the
// ipAddress setting. Read at every query.
extern std::string ServerAddress;

// InternetGetConnectedState says a connection exists.
bool InternetConnected();

enum class FetchResult {
    Fetched,       // reply holds the bytes this query read (at least one)
    NoConnection,  // no internet connection; the user has been told unless quiet
    Failed,        // the session or URL could not be opened, or the read failed or gave nothing
    TimedOut,      // no answer within the request's time
    Abandoned,     // the program is ending; the request was left to itself
};

// A Daytime answer takes one round trip; a request that has not answered in this time will not.
// WinInet's connect, send and receive time-outs are each this long, and the wait for the whole
// request on the user-interface thread ends after kRequestLimitMs whatever WinInet does.
inline constexpr DWORD kWinInetTimeoutMs = 7000;
inline constexpr DWORD kRequestLimitMs = 8000;

// Asks the time server at address for its line through WinInet ("http://<address>:13", through
// the stored proxy when UseProxy is on). The request runs on a worker thread of its own while
// this thread goes on dispatching messages; it waits at most limitMs. reply is always set: empty
// unless Fetched.
FetchResult FetchServerLine(const std::string& address, DWORD limitMs, std::string& reply);

// Requests whose wait gave up and that have not yet ended by WinInet's own time-outs.
int RequestsStillRunning();

// The connection check (told to the user unless quiet), then FetchServerLine for ServerAddress.
FetchResult QueryTimeServer(bool quiet, std::string& reply);

}  // namespace cs
