#pragma once
#include <cstdint>
#include <optional>

#include "core/ServiceProtocol.h"
#include "time/ClockSource.h"

namespace cs {

// The clock service's way, where it can serve: the service is installed, ServerAddress is one of
// its servers and the proxy is off (the service never uses a user's proxy). Everywhere else, and
// when the service cannot be reached, the program's own way, whose could-not-set message then
// says that the service would set the clock.
class ServiceClockSource final : public IClockSource {
public:
    explicit ServiceClockSource(IClockSource& own) : m_own(own) {}
    SyncOutcome Synchronize() override;
    SyncOutcome SetConfirmed(const SyncOutcome& tooLarge) override;

private:
    SyncOutcome Own();

    IClockSource& m_own;
    // The service's index of the server the last outcome came from; empty when it came the
    // program's own way.
    std::optional<std::uint16_t> m_served;
};

// The service's index of ServerAddress when the service may serve it; empty otherwise.
std::optional<std::uint16_t> ServiceServerIndex();

// What the service's answer means to the program; nothing for an answer that leaves the
// synchronization to the program (a request the service did not understand).
std::optional<SyncOutcome> OutcomeOfAnswer(const ServiceAnswer& answer, DateTime localBefore);

}  // namespace cs
