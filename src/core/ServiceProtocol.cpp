#include "core/ServiceProtocol.h"

#include <cmath>
#include <cstring>
#include <type_traits>

#include "core/TimeTrust.h"

namespace cs {
namespace {

constexpr std::uint8_t kRequestMagic[4] = {'C', 'S', 'R', 'Q'};
constexpr std::uint8_t kAnswerMagic[4] = {'C', 'S', 'A', 'N'};
constexpr std::uint8_t kVersion = 1;

// A century either way: far more than any clock can be off, and far less than an int64 of
// milliseconds or a double of days can hold without losing the millisecond.
constexpr std::int64_t kMaxDifferenceMs = 100LL * 366 * 86400 * 1000;
// The years a Daytime line can name (1980 to 2040), in seconds since 1899-12-30.
constexpr std::int64_t kFirstServerSecond = 29221LL * 86400;  // 1980-01-01
constexpr std::int64_t kEndServerSecond = 51502LL * 86400;    // 2041-01-01

template <typename T>
void Put(std::uint8_t* at, T value) {
    using U = std::make_unsigned_t<T>;
    U bits = static_cast<U>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i, bits >>= 8) at[i] = static_cast<std::uint8_t>(bits);
}

template <typename T>
T Get(const std::uint8_t* at) {
    using U = std::make_unsigned_t<T>;
    U bits = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) bits = static_cast<U>((bits << 8) | at[i]);
    return static_cast<T>(bits);
}

bool IsZero(const std::uint8_t* at, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        if (at[i] != 0) return false;
    }
    return true;
}

std::int64_t Magnitude(std::int64_t value) {
    return value < 0 ? -value : value;
}

bool CarriesTime(ServiceOutcome outcome) {
    return outcome == ServiceOutcome::Set || outcome == ServiceOutcome::TooLarge ||
           outcome == ServiceOutcome::Refused;
}

}  // namespace

std::array<std::uint8_t, kRequestSize> EncodeRequest(const ServiceRequest& request) {
    std::array<std::uint8_t, kRequestSize> bytes{};
    std::memcpy(bytes.data(), kRequestMagic, 4);
    bytes[4] = kVersion;
    bytes[5] = static_cast<std::uint8_t>(request.Kind);
    Put<std::uint16_t>(&bytes[6], request.ServerIndex);
    Put<std::int64_t>(&bytes[8], request.ConfirmedDifferenceMs);
    return bytes;
}

std::optional<ServiceRequest> ParseRequest(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kRequestSize) return std::nullopt;
    const std::uint8_t* at = bytes.data();
    if (std::memcmp(at, kRequestMagic, 4) != 0 || at[4] != kVersion) return std::nullopt;
    ServiceRequest request;
    request.ServerIndex = Get<std::uint16_t>(at + 6);
    request.ConfirmedDifferenceMs = Get<std::int64_t>(at + 8);
    switch (at[5]) {
        case static_cast<std::uint8_t>(RequestKind::Synchronize):
            request.Kind = RequestKind::Synchronize;
            if (request.ConfirmedDifferenceMs != 0) return std::nullopt;
            break;
        case static_cast<std::uint8_t>(RequestKind::SynchronizeConfirmed): {
            request.Kind = RequestKind::SynchronizeConfirmed;
            // Only a difference that needed asking can have been confirmed. Checked in magnitude
            // only after the range test, so that the lowest int64 never reaches the negation.
            const std::int64_t ms = request.ConfirmedDifferenceMs;
            if (ms < -kMaxDifferenceMs || ms > kMaxDifferenceMs) return std::nullopt;
            if (Magnitude(ms) <= static_cast<std::int64_t>(kMaxUnattendedStepSeconds) * 1000) {
                return std::nullopt;
            }
            break;
        }
        default: return std::nullopt;
    }
    return request;
}

std::array<std::uint8_t, kAnswerSize> EncodeAnswer(const ServiceAnswer& answer) {
    std::array<std::uint8_t, kAnswerSize> bytes{};
    std::memcpy(bytes.data(), kAnswerMagic, 4);
    bytes[4] = kVersion;
    bytes[5] = static_cast<std::uint8_t>(answer.Outcome);
    Put<std::uint16_t>(&bytes[6], answer.ServerIndex);
    Put<std::uint32_t>(&bytes[8], answer.SystemError);
    Put<std::int64_t>(&bytes[16], answer.DifferenceMs);
    Put<std::int64_t>(&bytes[24], answer.ServerSeconds);
    return bytes;
}

std::optional<ServiceAnswer> ParseAnswer(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kAnswerSize) return std::nullopt;
    const std::uint8_t* at = bytes.data();
    if (std::memcmp(at, kAnswerMagic, 4) != 0 || at[4] != kVersion || !IsZero(at + 12, 4)) {
        return std::nullopt;
    }
    if (at[5] < static_cast<std::uint8_t>(ServiceOutcome::Set) ||
        at[5] > static_cast<std::uint8_t>(ServiceOutcome::BadRequest)) {
        return std::nullopt;
    }
    ServiceAnswer answer;
    answer.Outcome = static_cast<ServiceOutcome>(at[5]);
    answer.ServerIndex = Get<std::uint16_t>(at + 6);
    answer.SystemError = Get<std::uint32_t>(at + 8);
    answer.DifferenceMs = Get<std::int64_t>(at + 16);
    answer.ServerSeconds = Get<std::int64_t>(at + 24);

    if ((answer.SystemError != 0) != (answer.Outcome == ServiceOutcome::Refused)) {
        return std::nullopt;
    }
    if (CarriesTime(answer.Outcome)) {
        if (answer.DifferenceMs < -kMaxDifferenceMs || answer.DifferenceMs > kMaxDifferenceMs ||
            answer.ServerSeconds < kFirstServerSecond || answer.ServerSeconds >= kEndServerSecond) {
            return std::nullopt;
        }
        // A too-large answer is too large; a set clock moved within the bound, or was confirmed.
        const bool within = WithinUnattendedBound(DifferenceDays(answer.DifferenceMs));
        if (answer.Outcome == ServiceOutcome::TooLarge && within) return std::nullopt;
    } else if (answer.ServerIndex != 0 || answer.DifferenceMs != 0 || answer.ServerSeconds != 0) {
        return std::nullopt;
    }
    return answer;
}

double DifferenceDays(std::int64_t milliseconds) {
    return static_cast<double>(milliseconds) / kMsPerDay;
}

std::int64_t DifferenceMilliseconds(double days) {
    return std::llround(days * kMsPerDay);
}

DateTime AnswerServerTime(const ServiceAnswer& answer) {
    return static_cast<double>(answer.ServerSeconds) / kSecondsPerDay;
}

std::int64_t WholeSeconds(DateTime value) {
    return std::llround(value * kSecondsPerDay);
}

}  // namespace cs
