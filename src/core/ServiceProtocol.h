#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/DateTime.h"

// What the program and the clock service say to each other over the service's pipe: one fixed-size
// binary request and one fixed-size answer per connection, little-endian. Every byte that arrives
// is checked before anything is believed; a request is nothing but a server index and, for the
// confirmed form, the difference the user agreed to. A caller never sends a time or an address.
namespace cs {

// The pipe's name. Local only: the pipe refuses remote clients.
inline constexpr const char* kServicePipeName = "\\\\.\\pipe\\ClockSyncService";
// The service's name in the service control manager.
inline constexpr const char* kServiceName = "ClockSyncService";

enum class RequestKind : std::uint8_t {
    Synchronize = 1,
    // The user saw a too-large answer and agreed to that difference.
    SynchronizeConfirmed = 2,
};

struct ServiceRequest {
    RequestKind Kind = RequestKind::Synchronize;
    std::uint16_t ServerIndex = 0;
    // Only for SynchronizeConfirmed: the difference of the too-large answer, in milliseconds.
    std::int64_t ConfirmedDifferenceMs = 0;

    friend bool operator==(const ServiceRequest&, const ServiceRequest&) = default;
};

enum class ServiceOutcome : std::uint8_t {
    Set = 1,             // the clock was set; DifferenceMs is the step
    NoTimeObtained = 2,  // no server of the list gave a line that is a time
    Unhealthy = 3,       // the only lines that came said their own time must not be used
    TooLarge = 4,        // more than 15 hours: nothing set; a confirmed request may follow
    Refused = 5,         // the system refused to set the clock; SystemError says why
    Busy = 6,            // the service could not take the request now
    BadRequest = 7,      // the request was not one the service understands; nothing was done
};

struct ServiceAnswer {
    ServiceOutcome Outcome = ServiceOutcome::BadRequest;
    // The server of the list that gave the time (Set, TooLarge, Refused).
    std::uint16_t ServerIndex = 0;
    // The system's error code (Refused).
    std::uint32_t SystemError = 0;
    // Server minus system time in milliseconds (Set, TooLarge, Refused).
    std::int64_t DifferenceMs = 0;
    // The server's UTC time in whole seconds since 1899-12-30 (Set, TooLarge, Refused).
    std::int64_t ServerSeconds = 0;

    friend bool operator==(const ServiceAnswer&, const ServiceAnswer&) = default;
};

inline constexpr std::size_t kRequestSize = 16;
inline constexpr std::size_t kAnswerSize = 32;

std::array<std::uint8_t, kRequestSize> EncodeRequest(const ServiceRequest& request);
// The request, or nothing when the bytes are not exactly one well-formed request.
std::optional<ServiceRequest> ParseRequest(std::span<const std::uint8_t> bytes);

std::array<std::uint8_t, kAnswerSize> EncodeAnswer(const ServiceAnswer& answer);
// The answer, or nothing when the bytes are not exactly one well-formed answer with values in
// range (the program checks what comes back as carefully as the service checks what it gets).
std::optional<ServiceAnswer> ParseAnswer(std::span<const std::uint8_t> bytes);

// Differences in days, as the rest of the program counts them, and back.
double DifferenceDays(std::int64_t milliseconds);
std::int64_t DifferenceMilliseconds(double days);
// The server's time of an answer as a DateTime, and whole seconds since 1899-12-30 of one.
DateTime AnswerServerTime(const ServiceAnswer& answer);
std::int64_t WholeSeconds(DateTime value);

}  // namespace cs
