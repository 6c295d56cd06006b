#pragma once
// Include before <windows.h>: Winsock 2 must come first.
#include <winsock2.h>

namespace cs::test {

// A socket listening on address:port (a 127.x.x.x address, all loopback), which a server that
// follows one on the same port can take over at once. Winsock must be started. Throws
// std::runtime_error naming the port.
SOCKET ListenOnLoopback(unsigned short port, const char* address = "127.0.0.1",
                        int backlog = SOMAXCONN);

}  // namespace cs::test
