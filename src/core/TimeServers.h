#pragma once
#include <array>
#include <string_view>

namespace cs {

// The servers of the "&Time Servers" menu, in menu order: NIST servers that answer on the
// Daytime port (13). The clock service uses the same list unless an administrator stored one.
inline constexpr std::array<std::string_view, 11> kTimeServers = {
    "129.6.15.29",  "129.6.15.30",  "129.6.15.27",    "129.6.15.28",
    "129.6.15.26",  "132.163.97.1", "132.163.97.2",   "132.163.97.3",
    "132.163.97.4", "132.163.97.6", "128.138.140.44",
};

// The server used while no ipAddress is stored: the fourth of the list.
inline constexpr std::string_view kDefaultTimeServer = kTimeServers[3];

}  // namespace cs
