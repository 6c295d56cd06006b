#include "time/DaytimeClient.h"

#include <algorithm>
#include <string_view>

#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "platform/Seams.h"
#include "settings/Settings.h"

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

}  // namespace

bool InternetConnected() {
    // The flags that come back are not looked at; the preset only gives the call defined input.
    DWORD flags = 7;
    return Internet().GetConnectedState(&flags, 0) != FALSE;
}

FetchResult QueryTimeServer(bool quiet, std::string& reply) {
    ProcessPendingMessages();
    reply.clear();
    if (!InternetConnected()) {
        if (!quiet) ShowMessage("No on-line connection to the internet currently exists.");
        return FetchResult::NoConnection;
    }

    // The server's port 13 as an http URL, so that WinInet's connection settings and the proxy
    // carry the request; the server answers the connection with its line whatever is sent.
    const std::string url = "http://" + ServerAddress + ":13";
    const std::string proxy = ProxyText();
    const std::string agent(FileNameOf(ExecutablePath()));

    IInternet& internet = Internet();
    const unique_hinternet session(internet.Open(
        agent.c_str(), proxy.empty() ? INTERNET_OPEN_TYPE_PRECONFIG : INTERNET_OPEN_TYPE_PROXY,
        proxy.empty() ? nullptr : proxy.c_str(), nullptr, 0));
    if (!session) return FetchResult::Failed;
    // Declared after the session, so it is closed first on every way out.
    const unique_hinternet file(
        internet.OpenUrl(session.get(), url.c_str(), nullptr, 0, kOpenFlags, 0));
    if (!file) return FetchResult::Failed;

    char buffer[kReplyBufferSize];
    DWORD read = 0;
    if (!internet.ReadFile(file.get(), buffer, kReplyBufferSize, &read)) return FetchResult::Failed;
    // Only bytes this read delivered become the reply, up to the first zero byte.
    std::string_view data(buffer, std::min(read, kReplyBufferSize));
    data = data.substr(0, data.find('\0'));
    // Nothing usable (no bytes, or a zero byte first) is a failed fetch, never a silent one.
    if (data.empty()) return FetchResult::Failed;
    reply.assign(data);
    return FetchResult::Fetched;
}

}  // namespace cs
