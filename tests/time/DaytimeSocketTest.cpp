// The clock service's Daytime client against servers on loopback addresses (every 127.x.x.x is
// loopback), and its server list from the machine's registry (Wine's, in the test's prefix).
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "support/LoopbackServer.h"
#include "time/DaytimeSocket.h"
#include "time/SyncTestSupport.h"
#include "time/TimeZone.h"

namespace cs {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A line for the time now plus seconds, with the given health digit.
std::string Line(double seconds, char health = '0') {
    std::string line = test::NistReply(CurrentUtc() + seconds / kSecondsPerDay);
    line[line.find(" 50.0") - 1] = health;
    return line;
}

struct LineCase {
    const char* Name;
    std::string Reply;
    std::optional<std::string> Expected;
};

void PrintTo(const LineCase& c, std::ostream* out) {
    *out << c.Name;
}

class FetchDaytimeLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(FetchDaytimeLineTest, ReadsWhatTheServerSendsUpToTheLimit) {
    const test::LoopbackDaytimeServer server(GetParam().Reply, 13, "127.0.0.2");
    EXPECT_EQ(FetchDaytimeLine("127.0.0.2", 5s), GetParam().Expected);
    EXPECT_EQ(server.Connections(), 1);
}

using namespace std::string_literals;
INSTANTIATE_TEST_SUITE_P(
    Replies, FetchDaytimeLineTest,
    ::testing::Values(LineCase{"NistLine", "\n60000 25-12-09 02:42:17 00 0 0 50.0 UTC(NIST) *\n",
                               "\n60000 25-12-09 02:42:17 00 0 0 50.0 UTC(NIST) *\n"},
                      LineCase{"NothingSent", "", std::nullopt},
                      LineCase{"ZeroByteEndsIt", "\nabc\0def"s, "\nabc"},
                      LineCase{"ZeroByteFirst", "\0abc"s, std::nullopt},
                      LineCase{"Oversized", std::string(5000, 'x'),
                               std::string(kDaytimeLineLimit, 'x')}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(FetchDaytimeLine, GivesUpWithinItsLimit) {
    // Nobody listens: refused at once.
    auto start = Clock::now();
    EXPECT_EQ(FetchDaytimeLine("127.0.0.9", 5s), std::nullopt);
    EXPECT_LT(Clock::now() - start, 2s);

    // Not an address: nothing is tried.
    EXPECT_EQ(FetchDaytimeLine("127.0.0.2:13", 5s), std::nullopt);
    EXPECT_EQ(FetchDaytimeLine("localhost", 5s), std::nullopt);

    // A server that accepts and never sends, and one whose connection never completes: each
    // costs the limit and no more.
    const auto silent = test::LoopbackDaytimeServer::Silent("127.0.0.5");
    const test::StalledListener stalled("127.0.0.6");
    for (const char* address : {"127.0.0.5", "127.0.0.6"}) {
        start = Clock::now();
        EXPECT_EQ(FetchDaytimeLine(address, 1500ms), std::nullopt) << address;
        const auto took = Clock::now() - start;
        EXPECT_GE(took, 1400ms) << address;
        EXPECT_LT(took, 3s) << address;
    }
}

struct HeldCase {
    const char* Name;
    std::string Reply;
    bool Time;  // the reply is a time (AskServers takes it)
};

void PrintTo(const HeldCase& c, std::ostream* out) {
    *out << c.Name;
}

class HeldConnectionTest : public ::testing::TestWithParam<HeldCase> {};

TEST_P(HeldConnectionTest, TheLineEndsTheReadingNotTheConnection) {
    // A server that sends its line and keeps the connection open: the time is read when the line
    // has come, not when the limit runs out, or the clock would be wrong by the wait.
    const std::string reply = GetParam().Reply.empty() ? Line(90) : GetParam().Reply;
    const auto server = test::LoopbackDaytimeServer::Holding(reply, "127.0.0.2");
    const auto start = Clock::now();
    const std::optional<std::string> line = FetchDaytimeLine("127.0.0.2", 5s);
    EXPECT_LT(Clock::now() - start, 1s);
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, reply.substr(0, reply.find('\0')));
    if (GetParam().Time) {
        const FetchedTime fetched = AskServers({"127.0.0.2"}, 0, 5s);
        ASSERT_EQ(fetched.Kind, FetchedTime::Result::Time);
        EXPECT_NEAR(fetched.DifferenceDays * kSecondsPerDay, 90, 1.5);
    }
}

INSTANTIATE_TEST_SUITE_P(Replies, HeldConnectionTest,
                         ::testing::Values(HeldCase{"NistLine", "", true},
                                           HeldCase{"CarriageReturnEnds", "\r\n\r\nabc\r", false},
                                           HeldCase{"ZeroByteEnds", "\nabc\0"s, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

// Servers at 127.0.0.2, .3, ... answering as listed; a null reply is an address nobody serves,
// and "@" followed by a digit is a line 90 s ahead of the clock with that health digit, made
// when the test runs.
struct ListCase {
    const char* Name;
    std::vector<std::optional<std::string>> Replies;
    std::uint16_t First;
    FetchedTime::Result Result;
    std::uint16_t Index;           // Time: the server that gave it
    std::vector<int> Connections;  // per server
};

void PrintTo(const ListCase& c, std::ostream* out) {
    *out << c.Name;
}

class AskServersTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(AskServersTest, MovesOnToTheNextServerUntilOneGivesAHealthyTime) {
    const ListCase& c = GetParam();
    std::vector<std::string> list;
    std::vector<std::unique_ptr<test::LoopbackDaytimeServer>> servers;
    for (std::size_t i = 0; i < c.Replies.size(); ++i) {
        list.push_back("127.0.0." + std::to_string(i + 2));
        if (!c.Replies[i]) {
            servers.push_back(nullptr);
            continue;
        }
        const std::string& reply = *c.Replies[i];
        servers.push_back(std::make_unique<test::LoopbackDaytimeServer>(
            reply.size() == 2 && reply[0] == '@' ? Line(90, reply[1]) : reply, 13,
            list.back().c_str()));
    }
    const FetchedTime fetched = AskServers(list, c.First, 10s);
    EXPECT_EQ(fetched.Kind, c.Result);
    if (c.Result == FetchedTime::Result::Time) {
        EXPECT_EQ(fetched.ServerIndex, c.Index);
        // Every healthy line of the table is 90 s ahead, give or take the whole second.
        EXPECT_NEAR(fetched.DifferenceDays * kSecondsPerDay, 90, 1.5);
    }
    for (std::size_t i = 0; i < servers.size(); ++i) {
        if (servers[i]) {
            EXPECT_EQ(servers[i]->Connections(), c.Connections[i]) << "server " << i;
        }
    }
}

const auto kNone = std::nullopt;
using R = FetchedTime::Result;
INSTANTIATE_TEST_SUITE_P(
    Lists, AskServersTest,
    ::testing::Values(
        ListCase{"FirstAnswers", {"@0", "@0"}, 0, R::Time, 0, {1, 0}},
        ListCase{"HealthyAfterUnhealthy", {"@2", "@0"}, 0, R::Time, 1, {1, 1}},
        ListCase{
            "PastSilenceAndNonsense", {kNone, "\nhello\n", "", "@0"}, 0, R::Time, 3, {0, 1, 1, 1}},
        ListCase{"WrapsRound", {"@0", kNone, kNone}, 1, R::Time, 0, {1, 0, 0}},
        ListCase{"OnlyUnhealthy", {"@3", kNone}, 0, R::Unhealthy, 0, {1, 0}},
        ListCase{"UnhealthyAndNonsense", {"@2", "\nhello\n"}, 0, R::NoTime, 0, {1, 1}},
        ListCase{"NotARealDate",
                 {"\n60000 25-02-30 02:42:17 00 0 0 50.0 UTC(NIST) *\n"},
                 0,
                 R::NoTime,
                 0,
                 {1}},
        ListCase{"NobodyAnswers", {kNone, kNone}, 1, R::NoTime, 0, {}}),
    [](const auto& info) { return std::string(info.param.Name); });

class ServiceServersKey : public ::testing::Test {
protected:
    void TearDown() override {
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kServiceServersKey, KEY_WOW64_64KEY, 0);
    }
    static void Store(DWORD type, const std::string& data) {
        unique_hkey key;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kServiceServersKey, 0, nullptr, 0,
                                    KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExA(key.get(), kServiceServersValue, 0, type,
                                   reinterpret_cast<const BYTE*>(data.data()),
                                   static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }
};

TEST_F(ServiceServersKey, AdministratorsListReplacesTheProgramsOwn) {
    const std::vector<std::string> own = ServiceServerList(std::nullopt);
    EXPECT_EQ(ReadServiceServers(), own);
    // The key alone, without the value, stores nothing either.
    {
        unique_hkey key;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kServiceServersKey, 0, nullptr, 0,
                                    KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
    }
    EXPECT_EQ(ReadServiceServers(), own);
    Store(REG_MULTI_SZ,
          "127.0.0.2\0"s
          "127.0.0.3\0\0"s);
    EXPECT_EQ(ReadServiceServers(), (std::vector<std::string>{"127.0.0.2", "127.0.0.3"}));
    // A value of another type, one larger than any list of addresses, or one of names only is
    // an administrator's mistake: no servers, never the public ones instead.
    Store(REG_SZ, "127.0.0.2"s);
    EXPECT_EQ(ReadServiceServers(), std::vector<std::string>{});
    Store(REG_MULTI_SZ, "127.0.0.2\0"s + std::string(5000, '1') + "\0\0"s);
    EXPECT_EQ(ReadServiceServers(), std::vector<std::string>{});
    Store(REG_MULTI_SZ, "localhost\0\0"s);
    EXPECT_EQ(ReadServiceServers(), std::vector<std::string>{});
}

}  // namespace
}  // namespace cs
