#pragma once
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
};

// Asks the time server at ServerAddress for its line through WinInet ("http://<address>:13",
// through the stored proxy when UseProxy is on). reply is always set: empty unless Fetched.
FetchResult QueryTimeServer(bool quiet, std::string& reply);

}  // namespace cs
