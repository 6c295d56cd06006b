// Random replies from a server on 127.0.0.1:13, fetched through the real WinInet and parsed: no
// crash, no query that outlasts its bound, every fetch Fetched or Failed, and every parse a time
// or one of the parser's errors. Runs with a fixed seed, and with CLOCKSYNC_FUZZ_SEED as a second
// seed when that is set; a failure names the seed and round.
#include "support/LoopbackSocket.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <condition_variable>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/DateTime.h"
#include "core/DaytimeReply.h"
#include "core/Exception.h"
#include "support/OnlineInternet.h"
#include "time/DaytimeClient.h"
#include "time/SyncTestSupport.h"

namespace cs {
namespace {

using namespace std::chrono_literals;

constexpr int kRounds = 200;
// Far above what a loopback reply takes, even on WinInet's slow first start under Wine.
constexpr auto kQueryBound = 20s;

std::vector<unsigned> Seeds() {
    std::vector<unsigned> seeds{19860101u};
    if (const char* text = std::getenv("CLOCKSYNC_FUZZ_SEED"); text && *text)
        seeds.push_back(static_cast<unsigned>(std::strtoul(text, nullptr, 0)));
    return seeds;
}

// How the server hands its bytes over.
enum class Delivery {
    Whole,   // all at once, then it stops sending and waits for the client to close
    Pieces,  // in a few pieces with pauses between them
    Reset,   // all at once, then the connection is reset instead of closed
};

struct Script {
    std::string Bytes;
    Delivery How = Delivery::Whole;
    bool Http = false;              // starts with a status line: WinInet may decode the body
    std::vector<std::size_t> Cuts;  // for Pieces: where a pause comes, in ascending order
};

// A server on 127.0.0.1 that answers every connection with the script set last. A thread per
// connection; every wait is bounded and watches the stop flag, so stopping never hangs, and
// stopping closes every connection, which frees a client still waiting for data.
class ScriptedServer {
public:
    explicit ScriptedServer(unsigned short port) {
        WSADATA data;
        if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup");
        try {
            m_listener = test::ListenOnLoopback(port);
        } catch (...) {
            ::WSACleanup();
            throw;
        }
        m_thread = std::thread([this] { AcceptLoop(); });
    }

    ~ScriptedServer() {
        Abort();
        ::WSACleanup();
    }

    void Set(Script script) {
        const std::lock_guard lock(m_mutex);
        m_script = std::move(script);
    }

    // Closes every connection and the listening socket: a client that tries again is refused
    // at once instead of waiting in the listen queue. Called once, from one thread at a time.
    void Abort() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_listener != INVALID_SOCKET) ::closesocket(m_listener);
        m_listener = INVALID_SOCKET;
    }

    int Connections() const { return m_connections; }

private:
    static bool Readable(SOCKET socket, long microseconds) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval wait{0, microseconds};
        return ::select(0, &set, nullptr, nullptr, &wait) > 0;
    }

    void AcceptLoop() {
        std::vector<std::thread> workers;
        while (!m_stop) {
            if (!Readable(m_listener, 20000)) continue;
            const SOCKET client = ::accept(m_listener, nullptr, nullptr);
            if (client == INVALID_SOCKET) continue;
            ++m_connections;
            Script script;
            {
                const std::lock_guard lock(m_mutex);
                script = m_script;
            }
            workers.emplace_back([this, client, script] { Serve(client, script); });
        }
        for (std::thread& worker : workers) worker.join();
    }

    void Serve(SOCKET client, const Script& script) {
        if (script.How == Delivery::Pieces) {
            std::size_t at = 0;
            for (const std::size_t cut : script.Cuts) {
                SendAll(client, script.Bytes.substr(at, cut - at));
                at = cut;
                std::this_thread::sleep_for(30ms);
            }
            SendAll(client, script.Bytes.substr(at));
        } else {
            SendAll(client, script.Bytes);
        }
        if (script.How == Delivery::Reset) {
            // Let the request arrive unread, so the close is a reset.
            std::this_thread::sleep_for(20ms);
            const linger abort{1, 0};
            ::setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
                         sizeof abort);
            ::closesocket(client);
            return;
        }
        // An unread request would turn the close into a reset: stop sending, read until the
        // client closes.
        ::shutdown(client, SD_SEND);
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        char buffer[1024];
        while (!m_stop && std::chrono::steady_clock::now() < deadline) {
            if (!Readable(client, 20000)) continue;
            if (::recv(client, buffer, sizeof buffer, 0) <= 0) break;
        }
        ::closesocket(client);
    }

    static void SendAll(SOCKET client, const std::string& data) {
        std::size_t sent = 0;
        while (sent < data.size()) {
            const int n =
                ::send(client, data.data() + sent, static_cast<int>(data.size() - sent), 0);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }

    SOCKET m_listener = INVALID_SOCKET;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::mutex m_mutex;
    Script m_script;
    std::thread m_thread;
};

class ReplyGenerator {
public:
    explicit ReplyGenerator(unsigned seed) : m_random(seed) {}

    std::size_t Below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random);
    }
    bool Chance(int oneIn) { return Below(static_cast<std::size_t>(oneIn)) == 0; }

    // A server's line for a time from 2000 to 2099, to the second, and the time the program
    // makes of it: nothing (0.0) past 2040.
    std::pair<std::string, DateTime> GoodLine() {
        const auto second = static_cast<double>(Below(std::size_t{100} * 365 * 86400));
        const DateTime utc = EncodeDate(2000, 1, 1) + second / kSecondsPerDay;
        const DateTime parsed =
            DecodeDate(utc).Year > 2040 ? 0.0 : std::round(utc * kSecondsPerDay) / kSecondsPerDay;
        return {test::NistReply(utc), parsed};
    }

    Script Next() {
        Script script;
        switch (Below(4)) {
            case 0: script.Bytes = RandomBytes(); break;
            case 1: script.Bytes = Mutated(GoodLine().first); break;
            case 2: script = HttpLike(); break;
            default: script.Bytes = Oversized(); break;
        }
        static constexpr Delivery kHow[] = {Delivery::Whole, Delivery::Whole, Delivery::Pieces,
                                            Delivery::Reset};
        script.How = kHow[Below(std::size(kHow))];
        // Anywhere, even inside the line.
        for (std::size_t n = 1 + Below(3); n > 0 && !script.Bytes.empty(); --n)
            script.Cuts.push_back(Below(script.Bytes.size()));
        std::sort(script.Cuts.begin(), script.Cuts.end());
        return script;
    }

private:
    std::string RandomBytes() {
        std::string bytes(Below(1500), '\0');
        for (char& c : bytes) c = static_cast<char>(Below(256));
        // Mostly led by a line feed, as WinInet takes the first line for a status line.
        return Chance(4) ? bytes : "\n" + bytes;
    }

    std::string Mutated(std::string line) {
        static const std::string kSpecial = std::string("0-: \n\r+9", 8) + '\0' + "\xff";
        static const char* const kFields[] = {"00", "99", "-5", "+1", " 7", "7 ", "x",   "",
                                              "24", "60", "61", "32", "13", "--", "NIST"};
        for (std::size_t n = 1 + Below(4); n > 0 && !line.empty(); --n) {
            const std::size_t at = Below(line.size());
            switch (Below(5)) {
                case 0: line[at] = static_cast<char>(Below(256)); break;
                case 1: line[at] = kSpecial[Below(kSpecial.size())]; break;
                case 2: line.erase(at, 1 + Below(3)); break;
                case 3: line.insert(at, kFields[Below(std::size(kFields))]); break;
                default: line.replace(at, 2, kFields[Below(std::size(kFields))]); break;
            }
        }
        return line;
    }

    Script HttpLike() {
        static const char* const kStatus[] = {"200 OK",
                                              "204 No Content",
                                              "302 Found",
                                              "304 Not Modified",
                                              "401 Unauthorized",
                                              "500 Oops",
                                              "999 ?",
                                              "abc",
                                              ""};
        static const char* const kHeaders[] = {
            "Content-Type: text/plain", "Transfer-Encoding: chunked", "Content-Encoding: gzip",
            "Content-Encoding: deflate", "Connection: keep-alive", "Connection: close",
            // Redirects stay on loopback: to a closed port, and back to this server itself,
            // which the client must not follow round and round.
            "Location: http://127.0.0.1:9/x", "Location: http://127.0.0.1:13/",
            "WWW-Authenticate: Basic realm=\"x\"", "Content-Length: 0", "Content-Length: 5",
            "Content-Length: 100000", "Content-Length: -1", "X-Junk: \x01\x02\xfe", ": no name",
            "no colon at all"};
        Script script;
        script.Http = true;
        script.Bytes = std::string("HTTP/1.") + (Chance(2) ? "0 " : "1 ") +
                       kStatus[Below(std::size(kStatus))] + "\r\n";
        for (std::size_t n = Below(5); n > 0; --n)
            script.Bytes += std::string(kHeaders[Below(std::size(kHeaders))]) + "\r\n";
        script.Bytes += "\r\n";
        script.Bytes += Chance(2) ? GoodLine().first.substr(1) : RandomBytes();
        return script;
    }

    std::string Oversized() {
        std::string filler(1000 + Below(200), 'x');
        // The line right at or past the 1024 bytes of the one read, or before a long tail.
        return Chance(2) ? "\n" + filler + GoodLine().first : GoodLine().first + filler;
    }

    std::mt19937 m_random;
};

// Bytes as C escapes, for failure messages.
std::string Escaped(const std::string& bytes) {
    std::string text;
    for (const unsigned char c : bytes) {
        if (c >= ' ' && c < 0x7f && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", c);
            text += escape;
        }
    }
    return text;
}

struct Fetch {
    FetchResult Result = FetchResult::NoConnection;
    std::string Reply;
};

void ExpectTimeOrParserError(const std::string& reply, const std::string& where) {
    try {
        const DateTime utc = ParseDaytimeReply(reply);
        if (utc == 0.0) return;
        EXPECT_GE(utc, EncodeDate(1980, 1, 1)) << where;
        EXPECT_LT(utc, EncodeDate(2041, 1, 1)) << where;
        // The line has whole seconds only.
        const double seconds = utc * kSecondsPerDay;
        EXPECT_NEAR(seconds, std::round(seconds), 1e-3) << where;
    } catch (const EConvertError& e) {
        const std::string& m = e.Message();
        const std::string notInteger = "' is not a valid integer value";
        const bool known =
            m == "Invalid argument to date encode" || m == "Invalid argument to time encode" ||
            (m.size() >= notInteger.size() + 1 && m.size() <= notInteger.size() + 3 &&
             m.front() == '\'' && m.ends_with(notInteger));
        EXPECT_TRUE(known) << where << ": " << m;
    }
}

// Frees a query that outlasts its bound by aborting the server: closed connections end WinInet's
// wait. So the query itself runs on the test's thread, whose stack every round reuses, as the
// program's one thread does.
class Watchdog {
public:
    Watchdog(std::chrono::seconds bound, ScriptedServer& server)
        : m_thread([this, bound, &server] {
              std::unique_lock lock(m_mutex);
              if (!m_disarm.wait_for(lock, bound, [this] { return m_disarmed; })) {
                  m_expired = true;
                  server.Abort();
              }
          }) {}
    ~Watchdog() { Disarm(); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // True when the bound had passed.
    bool Disarm() {
        {
            const std::lock_guard lock(m_mutex);
            m_disarmed = true;
        }
        m_disarm.notify_one();
        if (m_thread.joinable()) m_thread.join();
        return m_expired;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_disarm;
    bool m_disarmed = false;
    std::atomic<bool> m_expired{false};
    std::thread m_thread;
};

class ReplyFuzz : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Quendra");
        ServerAddress = "127.0.0.1";
    }
    void TearDown() override {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Quendra");
        ServerAddress = m_savedAddress;
    }

    test::OnlineInternet m_internet;
    ScopedSeam<IInternet> m_seam{m_internet};

private:
    std::string m_savedAddress = ServerAddress;
};

TEST_P(ReplyFuzz, EveryFetchEndsAndEveryReplyParsesOrFailsWithAParserError) {
    ReplyGenerator generator(GetParam());
    ScriptedServer server(13);
    int fetched = 0;
    std::vector<Script> sent;
    for (int round = 0; round < kRounds && !HasFailure(); ++round) {
        const std::string where =
            "seed " + std::to_string(GetParam()) + " round " + std::to_string(round);
        // Every tenth round a server in order: the fuzzing must not hide a client that has
        // stopped fetching anything at all.
        const bool control = round % 10 == 0;
        const auto [line, lineTime] = generator.GoodLine();
        const Script script = control ? Script{line, Delivery::Whole, false, {}} : generator.Next();
        server.Set(script);
        sent.push_back(script);

        Watchdog watchdog(kQueryBound, server);
        Fetch fetch;
        fetch.Result = QueryTimeServer(true, fetch.Reply);
        const int connections = server.Connections();
        ASSERT_FALSE(watchdog.Disarm())
            << where << ": the query did not end within the bound; " << connections
            << " connections so far; the server sent \"" << Escaped(script.Bytes) << '"';
        if (control) {
            ASSERT_EQ(fetch.Result, FetchResult::Fetched) << where;
            EXPECT_NEAR(ParseDaytimeReply(fetch.Reply) * kSecondsPerDay, lineTime * kSecondsPerDay,
                        1e-3)
                << where << ": " << Escaped(fetch.Reply);
            continue;
        }
        ASSERT_TRUE(fetch.Result == FetchResult::Fetched || fetch.Result == FetchResult::Failed)
            << where;
        if (fetch.Result == FetchResult::Failed) {
            EXPECT_EQ(fetch.Reply, "") << where;
            continue;
        }
        ++fetched;
        // One read of at most 1024 bytes, up to the first zero byte.
        EXPECT_FALSE(fetch.Reply.empty()) << where;
        EXPECT_LE(fetch.Reply.size(), 1024u) << where;
        EXPECT_EQ(fetch.Reply.find('\0'), std::string::npos) << where;
        // Without a status line the bytes come through as sent; nothing else may get in. They
        // may be an earlier round's: WinInet keeps an HTTP/1.1 connection for the next request
        // to the same server, and bytes past a too-short Content-Length wait on it.
        if (!script.Http) {
            const bool known = std::any_of(sent.begin(), sent.end(), [&](const Script& s) {
                return s.Bytes.find(fetch.Reply) != std::string::npos;
            });
            EXPECT_TRUE(known) << where << ": sent \"" << Escaped(script.Bytes) << "\", fetched \""
                               << Escaped(fetch.Reply) << '"';
        }
        ExpectTimeOrParserError(fetch.Reply, where);
    }
    // Most replies have bytes to give: a run that fetched almost nothing tested almost nothing.
    if (!HasFailure()) {
        EXPECT_GT(fetched, kRounds / 4);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ReplyFuzz, ::testing::ValuesIn(Seeds()));

}  // namespace
}  // namespace cs
