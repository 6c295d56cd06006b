#pragma once
#include <windows.h>

#include <chrono>
#include <optional>

#include "core/ServiceProtocol.h"

namespace cs {

// Long enough for the service to start (twice, when it ended itself just as it was asked), wait
// out a server's spacing, try its list and answer: 5 + 5 + 4 + 20 + 2 s, and some to spare. A
// caller that gave up sooner would miss a change the service made.
inline constexpr std::chrono::milliseconds kServiceAnswerLimit{40000};
// The longest the program waits for the service to start.
inline constexpr DWORD kServiceStartLimitMs = 5000;

// Sends one request to the clock service over its pipe and waits for the answer, starting the
// service when it is not running. Busy when the pipe stayed taken by other callers; nothing when
// the service cannot be reached or what answered is not the service (another process that made
// a pipe of that name) or not an answer.
std::optional<ServiceAnswer> ExchangeWithService(const ServiceRequest& request,
                                                 std::chrono::milliseconds limit);

// The server end of pipe belongs to LOCAL SERVICE, as the service's own pipe does and as no pipe
// a standard user makes can.
bool OwnedByLocalService(HANDLE pipe);

struct ServiceAnswerWait {
    std::optional<ServiceAnswer> Answer;
    // The program is ending: the request was left to itself.
    bool Abandoned = false;
};

// The same, on a worker thread of its own, while the calling (user-interface) thread goes on
// dispatching its messages, so that every window keeps answering.
ServiceAnswerWait AskClockService(const ServiceRequest& request,
                                  std::chrono::milliseconds limit = kServiceAnswerLimit);

}  // namespace cs
