#include "time/DaytimeClient.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <string_view>

#include "core/SyncDecision.h"
#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "platform/Seams.h"
#include "settings/Settings.h"
#include "time/BackgroundWait.h"

namespace cs {

std::string ServerAddress;

namespace {

// One read of this size: a Daytime line is far shorter, and a reply in several pieces is
// taken as its first piece.
constexpr DWORD kReplyBufferSize = 1024;
// Always from the server, never from a cache. A Daytime server never redirects; a redirect can
// only come from something else answering, and following one that points back at itself would
// hold the program in the request for good.
constexpr DWORD kOpenFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT;

// The stored proxy as WinInet wants it, exactly as the user typed it; empty when off.
std::string ProxyText() {
    if (ReadSetting(kSettingsKey, "UseProxy", "").empty()) return {};
    const std::string address = ReadSetting(kSettingsKey, "Address", "");
    const std::string port = ReadSetting(kSettingsKey, "Port", "");
    return "http=http://" + address + ":" + port;
}

// One request, shared by the thread that asked and the worker: whichever lets go last frees
// it, so a worker left behind by a wait that gave up writes into its own copy only.
struct Request {
    std::string Url;
    std::string Proxy;
    std::string Agent;
    FetchResult Result = FetchResult::Failed;
    std::string Reply;
};

void SetTimeouts(IInternet& internet, HINTERNET session) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                         INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
        DWORD milliseconds = kWinInetTimeoutMs;
        internet.SetOption(session, option, &milliseconds, sizeof milliseconds);
    }
    // One connection attempt: a second one would only spend the time again.
    DWORD retries = 1;
    internet.SetOption(session, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);
}

// On the worker: the session, the URL, the one read and both closes.
void Fetch(Request& request) {
    IInternet& internet = Internet();
    const unique_hinternet session(internet.Open(
        request.Agent.c_str(),
        request.Proxy.empty() ? INTERNET_OPEN_TYPE_PRECONFIG : INTERNET_OPEN_TYPE_PROXY,
        request.Proxy.empty() ? nullptr : request.Proxy.c_str(), nullptr, 0));
    if (!session) return;
    SetTimeouts(internet, session.get());
    // Declared after the session, so it is closed first on every way out.
    const unique_hinternet file(
        internet.OpenUrl(session.get(), request.Url.c_str(), nullptr, 0, kOpenFlags, 0));
    if (!file) return;

    char buffer[kReplyBufferSize];
    DWORD read = 0;
    if (!internet.ReadFile(file.get(), buffer, kReplyBufferSize, &read)) return;
    // Only bytes this read delivered become the reply, up to the first zero byte.
    std::string_view data(buffer, std::min(read, kReplyBufferSize));
    data = data.substr(0, data.find('\0'));
    // Nothing usable (no bytes, or a zero byte first) is a failed fetch, never a silent one.
    if (data.empty()) return;
    request.Reply.assign(data);
    request.Result = FetchResult::Fetched;
}

std::atomic<int> g_running{0};

DWORD WINAPI FetchThread(void* parameter) {
    const std::unique_ptr<std::shared_ptr<Request>> request(
        static_cast<std::shared_ptr<Request>*>(parameter));
    Fetch(**request);
    --g_running;
    return 0;
}

}  // namespace

int RequestsStillRunning() {
    return g_running;
}

bool InternetConnected() {
    // The flags that come back are not looked at; the preset only gives the call defined input.
    DWORD flags = 7;
    return Internet().GetConnectedState(&flags, 0) != FALSE;
}

FetchResult FetchServerLine(const std::string& address, DWORD limitMs, std::string& reply) {
    reply.clear();
    auto request = std::make_shared<Request>();
    // The server's port 13 as an http URL, so that WinInet's connection settings and the proxy
    // carry the request; the server answers the connection with its line whatever is sent.
    request->Url = "http://" + address + ":13";
    request->Proxy = ProxyText();
    request->Agent = FileNameOf(ExecutablePath());

    auto* shared = new std::shared_ptr<Request>(request);
    ++g_running;
    const unique_handle_k thread(::CreateThread(nullptr, 0, FetchThread, shared, 0, nullptr));
    if (!thread) {
        --g_running;
        delete shared;
        return FetchResult::Failed;
    }
    switch (WaitAnswering(thread.get(), limitMs)) {
        case WaitEnd::Signalled: break;
        // The worker ends by WinInet's own time-outs; what it finds then goes nowhere.
        case WaitEnd::TimedOut: return FetchResult::TimedOut;
        case WaitEnd::Quit: return FetchResult::Abandoned;
    }
    if (request->Result == FetchResult::Fetched) reply = std::move(request->Reply);
    return request->Result;
}

FetchResult QueryTimeServer(bool quiet, std::string& reply) {
    ProcessPendingMessages();
    reply.clear();
    if (!InternetConnected()) {
        if (!quiet) ShowMessage(std::string(kNoConnectionText));
        return FetchResult::NoConnection;
    }
    return FetchServerLine(ServerAddress, kRequestLimitMs, reply);
}

}  // namespace cs
