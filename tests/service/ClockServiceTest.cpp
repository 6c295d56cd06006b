// What the service does with the bytes one connection sends, against Daytime servers on loopback,
// with the clock, the event log and the rules' time stood in: nothing here changes the clock.
#include "service/ClockService.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "platform/SystemTimes.h"
#include "service/ServiceFakes.h"
#include "support/Fakes.h"
#include "support/LoopbackServer.h"
#include "time/SyncTestSupport.h"

namespace cs {
namespace {

using ::testing::HasSubstr;
constexpr std::int64_t kHourMs = 3600000;

// The system clock the service sees: 2025-12-09 02:00:00 UTC.
const DateTime kNow = EncodeDate(2025, 12, 9) + EncodeTime(2, 0, 0, 0);

std::string LineAt(double seconds, char health = '0') {
    std::string line = test::NistReply(kNow + seconds / kSecondsPerDay);
    line[line.find(" 50.0") - 1] = health;
    return line;
}

std::vector<std::uint8_t> Request(RequestKind kind, std::uint16_t index, std::int64_t ms = 0) {
    const auto bytes = EncodeRequest({kind, index, ms});
    return {bytes.begin(), bytes.end()};
}

class ClockServiceTest : public ::testing::Test {
protected:
    ClockServiceTest() { m_time.Utc = DateTimeToSystemTime(kNow); }

    // One server per line at 127.0.0.2, 127.0.0.3, ...
    ClockService& Serve(const std::vector<std::string>& lines) {
        std::vector<std::string> list;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            list.push_back("127.0.0." + std::to_string(i + 2));
            m_servers.push_back(
                std::make_unique<test::LoopbackDaytimeServer>(lines[i], 13, list.back().c_str()));
        }
        m_service = std::make_unique<ClockService>(list, m_log, m_clock);
        return *m_service;
    }
    int Connections() const {
        int total = 0;
        for (const auto& server : m_servers) total += server->Connections();
        return total;
    }

    test::FakeSystemTime m_time;
    ScopedSeam<ISystemTime> m_timeSeam{m_time};
    test::FakeEventLog m_log;
    test::FakeServiceClock m_clock;
    std::vector<std::unique_ptr<test::LoopbackDaytimeServer>> m_servers;
    std::unique_ptr<ClockService> m_service;
};

// Each outcome with the server list's lines, what the system answers to the set, and the entry.
struct OutcomeCase {
    const char* Name;
    std::vector<std::string> Lines;
    DWORD SetResult;
    ServiceOutcome Outcome;
    int SetSeconds;  // the step given to SetSystemTime, when it is called
    WORD LogType;
    const char* LogText;
};

void PrintTo(const OutcomeCase& c, std::ostream* out) {
    *out << c.Name;
}

class ServiceOutcomeTest : public ClockServiceTest,
                           public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(ServiceOutcomeTest, EveryChangeAndRefusalIsAnsweredAndWrittenDown) {
    const OutcomeCase& c = GetParam();
    m_time.SetResult = c.SetResult;
    const ServiceAnswer answer = Serve(c.Lines).Handle(Request(RequestKind::Synchronize, 0), false);
    EXPECT_EQ(answer.Outcome, c.Outcome);
    EXPECT_EQ(answer.SystemError, c.SetResult);
    const bool sets = c.Outcome == ServiceOutcome::Set || c.Outcome == ServiceOutcome::Refused;
    ASSERT_EQ(m_time.SetTimes.size(), sets ? 1u : 0u);
    if (sets) {
        EXPECT_EQ(WholeSeconds(SystemTimeToDateTime(m_time.SetTimes[0])),
                  WholeSeconds(kNow) + c.SetSeconds);
        EXPECT_EQ(answer.DifferenceMs, c.SetSeconds * 1000);
    }
    ASSERT_EQ(m_log.Events.size(), 1u);
    EXPECT_EQ(m_log.Events[0].Type, c.LogType);
    EXPECT_THAT(m_log.Events[0].Text, HasSubstr(c.LogText));
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ServiceOutcomeTest,
    ::testing::Values(
        OutcomeCase{"SetFromTheNextServer",
                    {"", LineAt(90)},
                    0,
                    ServiceOutcome::Set,
                    90,
                    EVENTLOG_INFORMATION_TYPE,
                    "set from the time server 127.0.0.3. Old time 2025-12-09 02:00:00 UTC, new "
                    "time 2025-12-09 02:01:30 UTC, difference +90.000 s."},
        OutcomeCase{"RefusedBySystem",
                    {LineAt(-7)},
                    ERROR_PRIVILEGE_NOT_HELD,
                    ServiceOutcome::Refused,
                    -7,
                    EVENTLOG_ERROR_TYPE,
                    "refused to set the clock to 2025-12-09 01:59:53 UTC from the time server "
                    "127.0.0.2 (difference -7.000 s)"},
        OutcomeCase{"TooLarge",
                    {LineAt(-16 * 3600.0)},
                    0,
                    ServiceOutcome::TooLarge,
                    0,
                    EVENTLOG_WARNING_TYPE,
                    "differs from the system clock by -57600.000 s"},
        OutcomeCase{"Unhealthy",
                    {LineAt(5, '2'), LineAt(5, '3')},
                    0,
                    ServiceOutcome::Unhealthy,
                    0,
                    EVENTLOG_WARNING_TYPE,
                    "may be wrong"},
        OutcomeCase{"NoTime",
                    {"", "\nnot a time\n"},
                    0,
                    ServiceOutcome::NoTimeObtained,
                    0,
                    EVENTLOG_WARNING_TYPE,
                    "no time server"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ClockServiceTest, LargeStepIsSetWhenConfirmedAndOnlyOnce) {
    ClockService& service = Serve({LineAt(16 * 3600.0)});
    ASSERT_EQ(service.Handle(Request(RequestKind::Synchronize, 0), false).Outcome,
              ServiceOutcome::TooLarge);
    m_clock.At += 30000;
    const auto confirmed = Request(RequestKind::SynchronizeConfirmed, 0, 16 * kHourMs - 4000);
    EXPECT_EQ(service.Handle(confirmed, false).Outcome, ServiceOutcome::Set);
    EXPECT_EQ(service.Handle(confirmed, false).Outcome, ServiceOutcome::Set);
    EXPECT_EQ(Connections(), 2);
    ASSERT_EQ(m_time.SetTimes.size(), 1u);
    EXPECT_EQ(WholeSeconds(SystemTimeToDateTime(m_time.SetTimes[0])),
              WholeSeconds(kNow) + 16 * 3600);
}

TEST_F(ClockServiceTest, HostileBytesChangeNothingAndFetchNothing) {
    ClockService& service = Serve({LineAt(30), LineAt(30), LineAt(30)});
    std::mt19937 random(18);
    const auto valid = Request(RequestKind::Synchronize, 1);
    int fetches = 0;
    const auto expectRefused = [&](const std::vector<std::uint8_t>& bytes, bool oversized) {
        const ServiceAnswer answer = service.Handle(bytes, oversized);
        if (answer.Outcome != ServiceOutcome::BadRequest) ++fetches;
    };

    for (int i = 0; i < 3000; ++i) {
        std::vector<std::uint8_t> bytes(random() % 40);
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
        // Now and then a real header, so that the later fields are reached too.
        if (bytes.size() >= 6 && i % 3 == 0)
            std::copy(valid.begin(), valid.begin() + 6, bytes.begin());
        expectRefused(bytes, false);
    }
    for (std::size_t size = 0; size < valid.size(); ++size) {
        expectRefused({valid.begin(), valid.begin() + size}, false);
    }
    expectRefused(valid, true);
    for (std::uint32_t index = 3; index <= 0xFFFF; ++index) {
        expectRefused(Request(RequestKind::Synchronize, static_cast<std::uint16_t>(index)), false);
    }
    EXPECT_EQ(fetches, 0);
    EXPECT_EQ(Connections(), 0);
    EXPECT_TRUE(m_time.SetTimes.empty());
    // All of it within the same minute: one entry.
    ASSERT_EQ(m_log.Events.size(), 1u);
    EXPECT_EQ(m_log.Events[0].Id, DWORD(ServiceEvent::BadRequests));

    // Every index of the list is served.
    for (std::uint16_t index = 0; index < 3; ++index) {
        m_clock.At += kSyncIntervalMs;
        EXPECT_EQ(service.Handle(Request(RequestKind::Synchronize, index), false).ServerIndex,
                  index);
    }
    EXPECT_EQ(Connections(), 3);
}

}  // namespace
}  // namespace cs
