#include "time/DaytimeClient.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/DateTime.h"
#include "core/DaytimeReply.h"
#include "platform/AppInfo.h"
#include "settings/Settings.h"
#include "support/Fakes.h"
#include "support/LoopbackServer.h"
#include "support/OnlineInternet.h"

namespace cs {
namespace {

using namespace std::string_literals;
using test::FakeInternet;
using test::FakeMessageBoxes;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string kNistLine = "54437 07-12-03 21:38:17 00 0 0  50.0 UTC(NIST) *\n";
const std::string kNoConnection = "No on-line connection to the internet currently exists.";

DateTime NistLineTime() {
    return EncodeDate(2007, 12, 3) + EncodeTime(21, 38, 17, 0);
}

// Every test starts with no settings and puts ServerAddress back afterwards.
class DaytimeClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Quendra");
        ServerAddress = "127.0.0.1";
    }
    void TearDown() override {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Quendra");
        ServerAddress = m_savedAddress;
    }

    FakeMessageBoxes m_boxes;

private:
    std::string m_savedAddress = ServerAddress;
    ScopedSeam<IMessageBoxes> m_boxSeam{m_boxes};
};

// ---- Through the internet-library fake ----------------------------------------------------

class DaytimeClientFake : public DaytimeClientTest {
protected:
    FetchResult Query(bool quiet = false) {
        m_reply = "stale";
        return QueryTimeServer(quiet, m_reply);
    }

    FakeInternet m_internet;
    std::string m_reply;

private:
    ScopedSeam<IInternet> m_internetSeam{m_internet};
};

TEST_F(DaytimeClientFake, ConnectedStateIsAskedWithFlagsPresetAndReservedZero) {
    EXPECT_TRUE(InternetConnected());
    EXPECT_EQ(m_internet.ConnectedFlagsIn, 7u);
    EXPECT_EQ(m_internet.ConnectedReserved, 0u);
    m_internet.Connected = FALSE;
    EXPECT_FALSE(InternetConnected());
}

TEST_F(DaytimeClientFake, NoConnectionIsReportedAndOpensNoSession) {
    m_internet.Connected = FALSE;
    // Pending messages are dispatched before the query starts.
    ::PostThreadMessageA(::GetCurrentThreadId(), WM_APP, 0, 0);
    EXPECT_EQ(Query(), FetchResult::NoConnection);
    MSG message;
    EXPECT_FALSE(::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m_reply, "");
    EXPECT_TRUE(m_internet.Opens.empty());
    ASSERT_EQ(m_boxes.Shown.size(), 1u);
    EXPECT_EQ(m_boxes.Shown[0].Text, kNoConnection);
    EXPECT_EQ(m_boxes.Shown[0].Caption, ApplicationTitle());
    EXPECT_EQ(m_boxes.Shown[0].Type & (MB_TYPEMASK | MB_ICONMASK), static_cast<UINT>(MB_OK));
}

TEST_F(DaytimeClientFake, QuietNoConnectionShowsNothing) {
    m_internet.Connected = FALSE;
    EXPECT_EQ(Query(true), FetchResult::NoConnection);
    EXPECT_EQ(m_reply, "");
    EXPECT_TRUE(m_internet.Opens.empty());
    EXPECT_TRUE(m_boxes.Shown.empty());
}

TEST_F(DaytimeClientFake, OpensTheServersPort13FreshWithOneRead) {
    ServerAddress = "192.43.244.18";
    m_internet.Data = kNistLine;
    EXPECT_EQ(Query(), FetchResult::Fetched);
    EXPECT_EQ(m_reply, kNistLine);

    ASSERT_EQ(m_internet.UrlOpens.size(), 1u);
    const test::UrlOpenCall& open = m_internet.UrlOpens[0];
    EXPECT_EQ(open.Session, m_internet.Issued[0]);
    EXPECT_EQ(open.Url, "http://192.43.244.18:13");
    EXPECT_TRUE(open.HeadersAreNull);
    EXPECT_EQ(open.HeadersLength, 0u);
    EXPECT_EQ(open.Flags,
              static_cast<DWORD>(INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT));
    EXPECT_EQ(open.Context, 0u);
    EXPECT_THAT(m_internet.ReadSizes, ElementsAre(1024u));
    // The URL handle goes first, then the session.
    EXPECT_THAT(m_internet.Closed, ElementsAre(m_internet.Issued[1], m_internet.Issued[0]));
    EXPECT_TRUE(m_boxes.Shown.empty());
}

struct ProxyCase {
    const char* Name;
    const char* UseProxy;  // nullptr: not stored at all
    const char* Address;
    const char* Port;
    DWORD AccessType;
    const char* Proxy;  // nullptr: a null proxy
};

void PrintTo(const ProxyCase& c, std::ostream* out) {
    *out << c.Name;
}

class DaytimeClientProxy : public DaytimeClientFake,
                           public ::testing::WithParamInterface<ProxyCase> {};

TEST_P(DaytimeClientProxy, SessionAccessTypeAndProxyText) {
    const ProxyCase& c = GetParam();
    if (c.UseProxy) {
        WriteSetting(kSettingsKey, "UseProxy", c.UseProxy);
        WriteSetting(kSettingsKey, "Address", c.Address);
        WriteSetting(kSettingsKey, "Port", c.Port);
    }
    m_internet.Data = kNistLine;
    EXPECT_EQ(Query(), FetchResult::Fetched);
    ASSERT_EQ(m_internet.Opens.size(), 1u);
    const test::InternetOpenCall& open = m_internet.Opens[0];
    EXPECT_EQ(open.AccessType, c.AccessType);
    EXPECT_EQ(open.ProxyIsNull, c.Proxy == nullptr);
    if (c.Proxy) {
        EXPECT_EQ(open.Proxy, c.Proxy);
    }
    EXPECT_EQ(open.Agent, "time_tests.exe");
    EXPECT_TRUE(open.BypassIsNull);
    EXPECT_EQ(open.Flags, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, DaytimeClientProxy,
    ::testing::Values(ProxyCase{"NothingStored", nullptr, nullptr, nullptr,
                                INTERNET_OPEN_TYPE_PRECONFIG, nullptr},
                      ProxyCase{"OffWithAddress", "", "proxy.example", "8080",
                                INTERNET_OPEN_TYPE_PRECONFIG, nullptr},
                      ProxyCase{"On", "True", "proxy.example", "8080", INTERNET_OPEN_TYPE_PROXY,
                                "http=http://proxy.example:8080"},
                      ProxyCase{"OnAsTyped", "1", " 10.0.0.1 ", "80a ", INTERNET_OPEN_TYPE_PROXY,
                                "http=http:// 10.0.0.1 :80a "},
                      ProxyCase{"OnButEmpty", "True", "", "", INTERNET_OPEN_TYPE_PROXY,
                                "http=http://:"}),
    [](const auto& info) { return std::string(info.param.Name); });

struct DataCase {
    const char* Name;
    std::string Data;
    FetchResult Result;
    std::string Reply;
};

void PrintTo(const DataCase& c, std::ostream* out) {
    *out << c.Name;
}

class DaytimeClientData : public DaytimeClientFake,
                          public ::testing::WithParamInterface<DataCase> {};

TEST_P(DaytimeClientData, ReplyIsTheFirstReadUpToAZeroByte) {
    m_internet.Data = GetParam().Data;
    EXPECT_EQ(Query(), GetParam().Result);
    EXPECT_EQ(m_reply, GetParam().Reply);
    EXPECT_THAT(m_internet.ReadSizes, ElementsAre(1024u));
    EXPECT_TRUE(m_internet.OpenHandles().empty());
    EXPECT_TRUE(m_boxes.Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Replies, DaytimeClientData,
    ::testing::Values(DataCase{"Line", "\n" + kNistLine, FetchResult::Fetched, "\n" + kNistLine},
                      DataCase{"CutTo1024", std::string(1000, 'a') + std::string(100, 'b'),
                               FetchResult::Fetched, std::string(1000, 'a') + std::string(24, 'b')},
                      DataCase{"Exactly1024", std::string(1024, 'c'), FetchResult::Fetched,
                               std::string(1024, 'c')},
                      DataCase{"CutAtZeroByte", kNistLine + "\0junk"s, FetchResult::Fetched,
                               kNistLine},
                      DataCase{"NothingRead", "", FetchResult::Failed, ""},
                      DataCase{"ZeroByteFirst", "\0"s + kNistLine, FetchResult::Failed, ""}),
    [](const auto& info) { return std::string(info.param.Name); });

// Each step that can fail: what was opened is closed (URL before session), and whatever a
// failed read left in the buffer never becomes a reply.
TEST_F(DaytimeClientFake, FailuresCloseWhatWasOpenedAndKeepNoBytes) {
    struct FailureCase {
        const char* Step;
        bool FailOpen, FailOpenUrl, FailRead;
        std::vector<int> Closed;  // indices of the handles issued, in closing order
    };
    const FailureCase cases[] = {{"session", true, false, false, {}},
                                 {"url", false, true, false, {0}},
                                 {"read", false, false, true, {1, 0}}};
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.Step);
        FakeInternet internet;
        const ScopedSeam<IInternet> seam(internet);
        internet.FailOpen = c.FailOpen;
        internet.FailOpenUrl = c.FailOpenUrl;
        internet.FailRead = c.FailRead;
        internet.Data = kNistLine;
        internet.FailedReadCount = 10;
        std::string reply = "stale";
        EXPECT_EQ(QueryTimeServer(false, reply), FetchResult::Failed);
        EXPECT_EQ(reply, "");
        std::vector<HINTERNET> closed;
        for (int i : c.Closed) closed.push_back(internet.Issued[i]);
        EXPECT_EQ(internet.Closed, closed);
        EXPECT_EQ(internet.UrlOpens.size(), c.FailOpen ? 0u : 1u);
        EXPECT_EQ(internet.ReadSizes.size(), c.FailRead ? 1u : 0u);
    }
    EXPECT_TRUE(m_boxes.Shown.empty());
}

// ---- The real WinInet, against servers on loopback ------------------------------------------

class DaytimeClientWinInet : public DaytimeClientTest {
protected:
    FetchResult Query() {
        m_reply = "stale";
        return QueryTimeServer(false, m_reply);
    }
    std::string m_reply;

private:
    test::OnlineInternet m_internet;
    ScopedSeam<IInternet> m_internetSeam{m_internet};
};

TEST_F(DaytimeClientWinInet, DaytimeServerReplyIsParsed) {
    // Real servers start their reply with a line feed.
    test::LoopbackDaytimeServer server("\n" + kNistLine);
    ASSERT_EQ(Query(), FetchResult::Fetched);
    EXPECT_THAT(m_reply, HasSubstr(kNistLine));
    EXPECT_EQ(ParseDaytimeReply(m_reply), NistLineTime());
    EXPECT_EQ(server.Connections(), 1);
    EXPECT_TRUE(m_boxes.Shown.empty());
}

TEST_F(DaytimeClientWinInet, ProxyCarriesTheRequest) {
    WriteSetting(kSettingsKey, "UseProxy", "True");
    WriteSetting(kSettingsKey, "Address", "127.0.0.1");
    WriteSetting(kSettingsKey, "Port", "8013");
    // No Daytime server runs: the reply can only come from the proxy.
    test::LoopbackHttpProxy proxy(kNistLine, 8013);
    ASSERT_EQ(Query(), FetchResult::Fetched);
    EXPECT_EQ(ParseDaytimeReply(m_reply), NistLineTime());
    const std::vector<std::string> requests = proxy.RequestLines();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], "GET http://127.0.0.1:13/ HTTP/1.1");
}

TEST_F(DaytimeClientWinInet, ClosedPortFails) {
    EXPECT_EQ(Query(), FetchResult::Failed);
    EXPECT_EQ(m_reply, "");
    EXPECT_TRUE(m_boxes.Shown.empty());
}

TEST_F(DaytimeClientWinInet, SilentServerFails) {
    test::LoopbackDaytimeServer server("");
    EXPECT_EQ(Query(), FetchResult::Failed);
    EXPECT_EQ(m_reply, "");
    EXPECT_EQ(server.Connections(), 1);
}

TEST_F(DaytimeClientWinInet, ARedirectBackToTheServerIsNotFollowed) {
    // Followed, this would ask the same server again and again without end.
    test::LoopbackDaytimeServer server(
        "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:13/\r\nContent-Length: 0\r\n"
        "Connection: close\r\n\r\n");
    Query();
    EXPECT_EQ(server.Connections(), 1);
    EXPECT_THAT(m_reply, Not(HasSubstr(kNistLine)));
}

TEST_F(DaytimeClientWinInet, LongReplyIsCutTo1024Bytes) {
    std::string data = kNistLine;
    while (data.size() < 3000) data += "0123456789abcdef\n";
    test::LoopbackDaytimeServer server("\n" + data);
    ASSERT_EQ(Query(), FetchResult::Fetched);
    EXPECT_EQ(m_reply, data.substr(0, 1024));
    EXPECT_EQ(ParseDaytimeReply(m_reply), NistLineTime());
}

}  // namespace
}  // namespace cs
