#include "core/ServiceRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/TimeServers.h"

namespace cs {
namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr std::int64_t kSixteenHoursMs = 16LL * 3600 * 1000;
using A = Admission::Action;
using O = ServiceOutcome;

// One request at a tick, what the gate must do with it and, when it fetches, what the servers
// gave and what the answer must be.
struct Step {
    Ticks At;
    std::optional<ServiceRequest> Request;
    A Action;
    O Outcome;                        // the answer given (fetched, repeated or rejected)
    double FetchedDiffSeconds = 0.0;  // Fetch: the servers' difference
    Ticks NotBefore = -1;             // Fetch: when the servers may be asked, when it matters
};

struct Scenario {
    const char* Name;
    std::vector<Step> Steps;
};

void PrintTo(const Scenario& s, std::ostream* out) {
    *out << s.Name;
}

ServiceRequest Plain(std::uint16_t index = 0) {
    return {RequestKind::Synchronize, index, 0};
}
ServiceRequest Confirmed(std::int64_t ms) {
    return {RequestKind::SynchronizeConfirmed, 0, ms};
}

class ServiceGateTest : public ::testing::TestWithParam<Scenario> {};

TEST_P(ServiceGateTest, FetchesOnlyWhenTheRulesAllow) {
    ServiceGate gate;
    int number = 0;
    for (const Step& step : GetParam().Steps) {
        SCOPED_TRACE("step " + std::to_string(++number));
        const Admission admission = gate.Admit(step.Request, kTimeServers.size(), step.At);
        ASSERT_EQ(admission.Kind, step.Action);
        ServiceAnswer answer = admission.Answer;
        if (admission.Kind == A::Fetch) {
            EXPECT_EQ(admission.ServerIndex, step.Request->ServerIndex);
            if (step.NotBefore >= 0) EXPECT_EQ(admission.FetchNotBefore, step.NotBefore);
            FetchedTime fetched{FetchedTime::Result::Time, admission.ServerIndex,
                                46000.5 + step.FetchedDiffSeconds * kSecond,
                                step.FetchedDiffSeconds * kSecond};
            answer = gate.Judge(fetched);
            if (answer.Outcome == O::Set) {
                EXPECT_EQ(answer.DifferenceMs, std::llround(step.FetchedDiffSeconds * 1000));
            }
            gate.Record(answer, step.At);
        }
        EXPECT_EQ(answer.Outcome, step.Outcome);
        // Whatever the gate answers must survive the trip over the pipe.
        EXPECT_TRUE(ParseAnswer(EncodeAnswer(answer)));
    }
}

const double k16h = 16 * 3600.0;
INSTANTIATE_TEST_SUITE_P(
    Requests, ServiceGateTest,
    ::testing::Values(
        Scenario{"OncePerMinuteWhoeverAsks",
                 {{0, Plain(), A::Fetch, O::Set, 90},
                  {59999, Plain(4), A::Repeat, O::Set},
                  {60000, Plain(4), A::Fetch, O::Set, 2}}},
        Scenario{"BadRequestsFetchNothingAndDoNotCount",
                 {{0, std::nullopt, A::Reject, O::BadRequest},
                  {1, Plain(11), A::Reject, O::BadRequest},
                  {2, Plain(0xFFFF), A::Reject, O::BadRequest},
                  {3, Plain(10), A::Fetch, O::Set, -7},
                  {4, Plain(11), A::Reject, O::BadRequest},
                  {5, Plain(1), A::Repeat, O::Set}}},
        Scenario{"TooLargeThenConfirmedWithinTheWindow",
                 {{0, Plain(), A::Fetch, O::TooLarge, k16h},
                  {1000, Plain(), A::Repeat, O::TooLarge},
                  {30000, Confirmed(kSixteenHoursMs + 9000), A::Fetch, O::Set, k16h + 3, 30000},
                  // The window is used up: the same confirmation again gets the last result.
                  {31000, Confirmed(kSixteenHoursMs), A::Repeat, O::Set}}},
        Scenario{"ConfirmationRightAfterTheAnswerWaitsForTheServerSpacing",
                 {{0, Plain(), A::Fetch, O::TooLarge, -k16h, 0},
                  {1500, Confirmed(-kSixteenHoursMs), A::Fetch, O::Set, -k16h, 4000}}},
        Scenario{"ConfirmationAfterTheWindowIsAPlainRequest",
                 {{0, Plain(), A::Fetch, O::TooLarge, k16h},
                  {60001, Confirmed(kSixteenHoursMs), A::Fetch, O::TooLarge, k16h},
                  // That fetch opened a new window.
                  {70000, Confirmed(kSixteenHoursMs), A::Fetch, O::Set, k16h}}},
        Scenario{"ConfirmationOfAnotherDifference",
                 {{0, Plain(), A::Fetch, O::TooLarge, k16h},
                  {10000, Confirmed(kSixteenHoursMs + 10001), A::Repeat, O::TooLarge},
                  {20000, Confirmed(-kSixteenHoursMs), A::Repeat, O::TooLarge}}},
        Scenario{"ConfirmedDifferenceThatMovedIsTooLargeAgainAndOpensNoWindow",
                 {{0, Plain(), A::Fetch, O::TooLarge, k16h},
                  {5000, Confirmed(kSixteenHoursMs), A::Fetch, O::TooLarge, k16h + 11},
                  {9000, Confirmed(kSixteenHoursMs + 11000), A::Repeat, O::TooLarge}}},
        Scenario{"ConfirmationAtTheEdgesOfTheWindowAndTheTolerance",
                 {{0, Plain(), A::Fetch, O::TooLarge, k16h},
                  {60000, Confirmed(kSixteenHoursMs - 10000), A::Fetch, O::Set, k16h}}},
        Scenario{"AnUnconfirmedFetchThatFoundAnotherClockClosesTheWindow",
                 {{0, Plain(), A::Fetch, O::TooLarge, k16h},
                  {60000, Plain(), A::Fetch, O::Set, 1},
                  {60000, Confirmed(kSixteenHoursMs), A::Repeat, O::Set},
                  {120000, Confirmed(kSixteenHoursMs), A::Fetch, O::TooLarge, k16h}}},
        Scenario{"ALaterTooLargeMovesTheWindowToItsDifference",
                 {{0, Plain(), A::Fetch, O::TooLarge, k16h},
                  {60000, Plain(), A::Fetch, O::TooLarge, -k16h},
                  {61000, Confirmed(kSixteenHoursMs), A::Repeat, O::TooLarge},
                  {62000, Confirmed(-kSixteenHoursMs), A::Fetch, O::Set, -k16h, 64000}}},
        Scenario{"ConfirmedClockThatCameBackWithinTheBoundIsSet",
                 {{0, Plain(), A::Fetch, O::TooLarge, k16h},
                  {8000, Confirmed(kSixteenHoursMs), A::Fetch, O::Set, 20}}}),
    [](const auto& info) { return std::string(info.param.Name); });

struct ListCase {
    const char* Name;
    std::optional<std::string> Stored;
    std::optional<std::vector<std::string>> Expected;  // nothing: the program's own list
};

void PrintTo(const ListCase& c, std::ostream* out) {
    *out << c.Name;
}

class ServerListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(ServerListTest, KeepsOnlyDottedQuads) {
    const ListCase& c = GetParam();
    const std::vector<std::string> expected =
        c.Expected ? *c.Expected
                   : std::vector<std::string>(kTimeServers.begin(), kTimeServers.end());
    EXPECT_EQ(ServiceServerList(c.Stored), expected);
}

using namespace std::string_literals;
INSTANTIATE_TEST_SUITE_P(
    Stored, ServerListTest,
    ::testing::Values(
        ListCase{"TwoInOrder",
                 "127.0.0.3\0"
                 "127.0.0.2\0\0"s,
                 std::vector<std::string>{"127.0.0.3", "127.0.0.2"}},
        ListCase{"NothingUsable",
                 "1.2.3\0001.2.3.4.5\0001.2.3.256\000 1.2.3.4\0001.2.3.4 \0a.b.c.d\0001..2.3\0"
                 "0001.2.3.4\0-1.2.3.4\0+1.2.3.4\0001.2.3.4:13\0\0"s,
                 std::vector<std::string>{}},
        ListCase{"OnlyHostnames", "time.example\0ntp.lan\0\0"s, std::vector<std::string>{}},
        ListCase{"EmptyValue", ""s, std::vector<std::string>{}},
        ListCase{"NothingStored", std::nullopt, std::nullopt},
        ListCase{"JunkBetween",
                 "time.example\0"
                 "192.168.1.10\0\0"
                 "10.1.1.1\0"s,
                 std::vector<std::string>{"192.168.1.10", "10.1.1.1"}},
        ListCase{"Limits", "0.0.0.0\000255.255.255.255\000001.002.003.004\0"s,
                 std::vector<std::string>{"0.0.0.0", "255.255.255.255", "001.002.003.004"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ServerList, TakesAtMostTheLimit) {
    std::string stored;
    for (int i = 0; i < 100; ++i) stored += "10.0.0." + std::to_string(i) + '\0';
    const std::vector<std::string> list = ServiceServerList(stored);
    ASSERT_EQ(list.size(), kMaxServiceServers);
    EXPECT_EQ(list.back(), "10.0.0.63");
    EXPECT_EQ(ServerIndexOf(list, "10.0.0.63"), 63);
    EXPECT_EQ(ServerIndexOf(list, "10.0.0.64"), std::nullopt);
    // The socket is given these numbers: "010" read as octal would be 8.
    EXPECT_EQ(DottedQuadAddress("010.000.001.255"), 0x0A0001FFu);
}

}  // namespace
}  // namespace cs
