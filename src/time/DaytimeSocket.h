#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/ServiceRules.h"

// Daytime spoken directly over TCP, without WinInet: the clock service's way to the time. It
// runs with no user's proxy or connection settings, so it opens its own socket to port 13.
namespace cs {

// The longest one server may take, connection and line together.
inline constexpr std::chrono::milliseconds kDaytimeServerLimit{10000};
// The longest one attempt over the list may take.
inline constexpr std::chrono::milliseconds kDaytimeAttemptLimit{20000};
// A Daytime line is far shorter; a server that sends more is cut off there.
inline constexpr std::size_t kDaytimeLineLimit = 1024;

// Connects to address (a dotted quad) on port, reads until the first line with text has ended
// (line feeds before it skipped), the server closes the connection, the line limit is reached
// or limit has passed, and closes. Nothing when no connection was
// made or no byte came; the bytes up to the first zero byte otherwise.
std::optional<std::string> FetchDaytimeLine(const std::string& address,
                                            std::chrono::milliseconds limit,
                                            unsigned short port = 13);

// Asks the servers of list from first on, in order and wrapping round, each once, until one
// gives a healthy line that is a time or limit has passed. The difference is taken against the
// system's UTC time right after the line is read. Unhealthy when every line that came said its
// server's clock must not be used.
FetchedTime AskServers(const std::vector<std::string>& list, std::uint16_t first,
                       std::chrono::milliseconds limit = kDaytimeAttemptLimit);

// The clock service's servers: the REG_MULTI_SZ value "Servers" under
// HKEY_LOCAL_MACHINE\SOFTWARE\Quendra\ClockSyncService (64-bit view), or the program's own list
// when there is no such value. A value that is there but names no usable server (another type,
// over 4096 bytes, no dotted quad) gives an empty list. Readable by everyone, written only by
// administrators.
inline constexpr const char* kServiceServersKey = "SOFTWARE\\Quendra\\ClockSyncService";
inline constexpr const char* kServiceServersValue = "Servers";
std::vector<std::string> ReadServiceServers();

}  // namespace cs
