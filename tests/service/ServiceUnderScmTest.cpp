// The clock service for real under Wine: installed by the program from a Program Files folder,
// started on demand through the service control manager, reached over its pipe, fetching from a
// loopback server named in its HKLM list, and stopped again. This test's process stays running
// throughout, since Wine ends a prefix's services when its last ordinary process exits. Wine never
// moves the host's clock: it refuses every change over half a second, so the service's set is
// refused here for real.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/ServiceProtocol.h"
#include "platform/AppInfo.h"
#include "platform/Handles.h"
#include "service/ServicePipe.h"
#include "support/LoopbackServer.h"
#include "time/DaytimeSocket.h"
#include "time/ServiceClient.h"
#include "time/ServiceControl.h"
#include "time/SyncTestSupport.h"
#include "time/TimeZone.h"
#include "support/Fakes.h"
#include "support/OnlineInternet.h"
#include "time/ClockSync.h"
#include "time/DaytimeClient.h"
#include "core/SyncDecision.h"

namespace cs {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kInstallFolder = "C:\\Program Files\\ClockSync";
constexpr const char* kEventSource =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\ClockSyncService";

std::string BuildFolder() {
    const std::string self = ExecutablePath();
    return self.substr(0, self.size() - FileNameOf(self).size());
}

// Runs ClockSync.exe from folder with arguments; its exit code.
DWORD RunProgram(const std::string& folder, const std::string& arguments) {
    const std::string program = folder + "\\ClockSync.exe";
    std::string command = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process)) {
        return ::GetLastError() | 0x80000000u;
    }
    const unique_handle_k processHandle(process.hProcess);
    const unique_handle_k thread(process.hThread);
    if (::WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) return WAIT_TIMEOUT;
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    return code;
}

bool KeyExists(HKEY root, const char* path) {
    unique_hkey key;
    return ::RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool RunEntryExists(HKEY root) {
    unique_hkey key;
    if (::RegOpenKeyExA(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_READ,
                        key.put()) != ERROR_SUCCESS) {
        return false;
    }
    return ::RegQueryValueExA(key.get(), "ClockSync.exe", nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

void ExpectNoSettingsAndNoAutostart() {
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\Quendra"));
    EXPECT_FALSE(RunEntryExists(HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(RunEntryExists(HKEY_CURRENT_USER));
}

SERVICE_STATUS_PROCESS Status() {
    SERVICE_STATUS_PROCESS status{};
    const unique_handle<SC_HANDLE, ::CloseServiceHandle> manager(
        ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    const unique_handle<SC_HANDLE, ::CloseServiceHandle> service(
        ::OpenServiceA(manager.get(), kServiceName, SERVICE_QUERY_STATUS));
    DWORD needed = 0;
    if (service) {
        ::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                               reinterpret_cast<BYTE*>(&status), sizeof status, &needed);
    }
    return status;
}

// Asks the service control manager to stop the service and waits until it has.
void StopService() {
    const unique_handle<SC_HANDLE, ::CloseServiceHandle> manager(
        ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    const unique_handle<SC_HANDLE, ::CloseServiceHandle> service(
        ::OpenServiceA(manager.get(), kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS));
    SERVICE_STATUS status{};
    ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    for (int i = 0; i < 100 && Status().dwCurrentState != SERVICE_STOPPED; ++i) {
        std::this_thread::sleep_for(100ms);
    }
}

// The client end of the service's pipe, waiting while another caller is served; null when it
// cannot be had within a few seconds.
unique_handle_k OpenPipe(DWORD access) {
    for (int i = 0; i < 50; ++i) {
        const HANDLE handle =
            ::CreateFileA(kServicePipeName, access, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle != INVALID_HANDLE_VALUE) return unique_handle_k(handle);
        if (!::WaitNamedPipeA(kServicePipeName, 200)) ::Sleep(20);
    }
    return {};
}

// A caller that writes whatever it likes: one message, then the answer's bytes as they come.
std::vector<std::uint8_t> Send(const std::vector<std::uint8_t>& bytes) {
    const unique_handle_k pipe = OpenPipe(GENERIC_READ | FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES);
    if (!pipe) return {0xEE};
    DWORD mode = PIPE_READMODE_MESSAGE;
    ::SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr);
    DWORD moved = 0;
    if (!bytes.empty()) ::WriteFile(pipe.get(), bytes.data(), DWORD(bytes.size()), &moved, nullptr);
    std::vector<std::uint8_t> answer(256);
    if (!::ReadFile(pipe.get(), answer.data(), DWORD(answer.size()), &moved, nullptr)) moved = 0;
    answer.resize(moved);
    return answer;
}

std::optional<ServiceOutcome> OutcomeOf(const std::vector<std::uint8_t>& bytes) {
    const std::optional<ServiceAnswer> answer = ParseAnswer(bytes);
    if (!answer) return std::nullopt;
    return answer->Outcome;
}

std::vector<std::uint8_t> Request(std::uint16_t index) {
    const auto bytes = EncodeRequest({RequestKind::Synchronize, index, 0});
    return {bytes.begin(), bytes.end()};
}

class ServiceUnderScm : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::CreateDirectoryA(kInstallFolder, nullptr);
        for (const char* file : {"ClockSync.exe", "ClockSyncService.exe"}) {
            ASSERT_TRUE(::CopyFileA((BuildFolder() + file).c_str(),
                                    (std::string(kInstallFolder) + "\\" + file).c_str(), FALSE));
        }
        unique_hkey key;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kServiceServersKey, 0, nullptr, 0,
                                    KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        const char servers[] = "127.0.0.2\0";
        ASSERT_EQ(::RegSetValueExA(key.get(), kServiceServersValue, 0, REG_MULTI_SZ,
                                   reinterpret_cast<const BYTE*>(servers), sizeof servers),
                  ERROR_SUCCESS);
    }
    static void TearDownTestSuite() { RunProgram(kInstallFolder, "/uninstall-service"); }
};

TEST_F(ServiceUnderScm, InstallRefusesAFolderOutsideProgramFiles) {
    EXPECT_EQ(RunProgram(BuildFolder(), "/install-service"), DWORD(ERROR_BAD_PATHNAME));
    EXPECT_FALSE(ClockServiceInstalled());
    ExpectNoSettingsAndNoAutostart();
}

// Names of the service's executable, and the place it is registered under (empty: refused).
// "<link>" is the installed one reached through a link that leads into Program Files (Wine's
// Z: drive through the prefix's link to drive C), which could be pointed elsewhere once the check
// is passed: only what it leads to may be registered. "<short>" is its 8.3 name.
struct PathCase {
    const char* Name;
    const char* Path;
    const char* Registered;
};

void PrintTo(const PathCase& c, std::ostream* out) {
    *out << c.Name;
}

constexpr const char* kInstalledService = "C:\\Program Files\\ClockSync\\ClockSyncService.exe";

std::string LinkedName(const char* path) {
    using UnixName = char*(CDECL*)(const WCHAR*);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    std::wstring wide(path, path + std::strlen(path));
    char* name = unixName ? unixName(wide.c_str()) : nullptr;
    if (!name) return {};
    std::string linked = "Z:";
    for (const char* c = name; *c; ++c) linked += *c == '/' ? '\\' : *c;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return linked;
}

std::string PathOf(const char* path) {
    if (std::string_view(path) == "<link>") return LinkedName(kInstalledService);
    if (std::string_view(path) == "<short>") {
        char shortName[MAX_PATH] = {};
        ::GetShortPathNameA(kInstalledService, shortName, MAX_PATH);
        return shortName;
    }
    return path;
}

class InstallPath : public ServiceUnderScm, public ::testing::WithParamInterface<PathCase> {
protected:
    static void SetUpTestSuite() {
        ServiceUnderScm::SetUpTestSuite();
        for (const char* folder : {"C:\\x", "C:\\Program Files Evil"}) {
            ::CreateDirectoryA(folder, nullptr);
            ::CopyFileA((BuildFolder() + "ClockSyncService.exe").c_str(),
                        (std::string(folder) + "\\ClockSyncService.exe").c_str(), FALSE);
        }
    }
};

TEST_P(InstallPath, RegistersOnlyTheResolvedPlaceUnderProgramFiles) {
    const std::string path = PathOf(GetParam().Path);
    ASSERT_FALSE(path.empty());
    EXPECT_NE(path, kInstalledService) << "the case names the file another way";
    EXPECT_EQ(ProgramFilesPath(path), GetParam().Registered) << path;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, InstallPath,
    ::testing::Values(PathCase{"OtherCase", "c:\\program files\\clocksync\\clocksyncservice.exe",
                               kInstalledService},
                      PathCase{"ShortName", "<short>", kInstalledService},
                      PathCase{"ThroughALink", "<link>", kInstalledService},
                      PathCase{"DotDotOut", "C:\\Program Files\\..\\x\\ClockSyncService.exe", ""},
                      PathCase{"LookAlikeFolder", "C:\\Program Files Evil\\ClockSyncService.exe",
                               ""},
                      PathCase{"TheFolderItself", "C:\\Program Files\\", ""},
                      PathCase{"NoSuchFile", "C:\\Program Files\\ClockSync\\Nothing.exe", ""},
                      PathCase{"OtherDrive", "Z:\\tmp\\ClockSyncService.exe", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ServiceUnderScm, InstallThroughALinkRegistersWhereItLeads) {
    const std::string linked = LinkedName(kInstalledService);
    ASSERT_EQ(InstallClockService(linked), DWORD(ERROR_SUCCESS)) << linked;
    {
        const unique_handle<SC_HANDLE, ::CloseServiceHandle> manager(
            ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        const unique_handle<SC_HANDLE, ::CloseServiceHandle> service(
            ::OpenServiceA(manager.get(), kServiceName, SERVICE_QUERY_CONFIG));
        std::vector<BYTE> buffer(8192);
        DWORD needed = 0;
        ASSERT_TRUE(::QueryServiceConfigA(service.get(),
                                          reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data()),
                                          DWORD(buffer.size()), &needed));
        EXPECT_EQ(
            std::string(reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data())->lpBinaryPathName),
            "\"" + std::string(kInstalledService) + "\"");
    }
    char file[MAX_PATH] = {};
    DWORD size = sizeof file - 1;
    EXPECT_EQ(::RegGetValueA(HKEY_LOCAL_MACHINE, kEventSource, "EventMessageFile",
                             RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, file, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(file), kInstalledService);
    EXPECT_EQ(UninstallClockService(), DWORD(ERROR_SUCCESS));
}

// Pipes whose owner is as given: only LOCAL SERVICE's is the service's.
struct OwnerCase {
    const char* Name;
    const char* Security;  // nothing: the system's default
    bool Believed;
};

void PrintTo(const OwnerCase& c, std::ostream* out) {
    *out << c.Name;
}

class PipeOwner : public ::testing::TestWithParam<OwnerCase> {};

TEST_P(PipeOwner, OnlyLocalServicesPipeIsBelieved) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetParam().Security) {
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(
            GetParam().Security, SDDL_REVISION_1, &descriptor, nullptr));
    }
    const std::unique_ptr<void, decltype(&::LocalFree)> owned(descriptor, ::LocalFree);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const unique_handle_k pipe(::CreateNamedPipeA("\\\\.\\pipe\\ClockSyncOwnerTest",
                                                  PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE, 1, 64, 64,
                                                  0, descriptor ? &attributes : nullptr));
    ASSERT_NE(pipe.get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(OwnedByLocalService(pipe.get()), GetParam().Believed);
}

INSTANTIATE_TEST_SUITE_P(Owners, PipeOwner,
                         ::testing::Values(OwnerCase{"LocalService", "O:LSD:(A;;GA;;;WD)", true},
                                           OwnerCase{"Default", nullptr, false},
                                           OwnerCase{"Administrators", "O:BAD:(A;;GA;;;WD)", false},
                                           OwnerCase{"System", "O:SYD:(A;;GA;;;WD)", false},
                                           OwnerCase{"NetworkService", "O:NSD:(A;;GA;;;WD)",
                                                     false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ServiceUnderScm, InstalledStartedReachedAndStopped) {
    ASSERT_EQ(RunProgram(kInstallFolder, "/install-service"), 0u);
    ASSERT_TRUE(ClockServiceInstalled());
    ExpectNoSettingsAndNoAutostart();
    {
        const unique_handle<SC_HANDLE, ::CloseServiceHandle> manager(
            ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        const unique_handle<SC_HANDLE, ::CloseServiceHandle> service(
            ::OpenServiceA(manager.get(), kServiceName, SERVICE_QUERY_CONFIG));
        std::vector<BYTE> buffer(8192);
        DWORD needed = 0;
        ASSERT_TRUE(::QueryServiceConfigA(service.get(),
                                          reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data()),
                                          DWORD(buffer.size()), &needed));
        const auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
        EXPECT_EQ(config->dwStartType, DWORD(SERVICE_DEMAND_START));
        EXPECT_EQ(std::string(config->lpBinaryPathName),
                  "\"" + std::string(kInstallFolder) + "\\ClockSyncService.exe\"");
        EXPECT_EQ(std::string(config->lpServiceStartName), "NT AUTHORITY\\LocalService");
    }
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kEventSource));
    EXPECT_EQ(Status().dwCurrentState, DWORD(SERVICE_STOPPED));

    // The program's request starts the service; the service asks its own loopback server and
    // Wine refuses the hour's step.
    const test::LoopbackDaytimeServer server(
        test::NistReply(CurrentUtc() + 3600.0 / kSecondsPerDay), 13, "127.0.0.2");
    const std::optional<ServiceAnswer> answer =
        AskClockService({RequestKind::Synchronize, 0, 0}).Answer;
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->Outcome, ServiceOutcome::Refused);
    EXPECT_EQ(answer->SystemError, DWORD(ERROR_PRIVILEGE_NOT_HELD));
    EXPECT_NEAR(answer->DifferenceMs, 3600000, 5000);
    EXPECT_EQ(server.Connections(), 1);
    const SERVICE_STATUS_PROCESS running = Status();
    EXPECT_EQ(running.dwCurrentState, DWORD(SERVICE_RUNNING));

    // The pipe's descriptor, ACE by ACE.
    {
        const unique_handle_k pipe(
            ::CreateFileA(kServicePipeName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_NE(pipe.get(), INVALID_HANDLE_VALUE);
        EXPECT_TRUE(OwnedByLocalService(pipe.get()));
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_EQ(::GetSecurityInfo(pipe.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, &dacl, nullptr, &descriptor),
                  DWORD(ERROR_SUCCESS));
        const std::unique_ptr<void, decltype(&::LocalFree)> owned(descriptor, ::LocalFree);
        struct Expected {
            BYTE Type;
            WELL_KNOWN_SID_TYPE Who;
            ACCESS_MASK Mask;
        };
        const Expected expected[] = {
            {ACCESS_DENIED_ACE_TYPE, WinNetworkSid, FILE_ALL_ACCESS},
            {ACCESS_DENIED_ACE_TYPE, WinAnonymousSid, FILE_ALL_ACCESS},
            {ACCESS_ALLOWED_ACE_TYPE, WinLocalSystemSid, FILE_ALL_ACCESS},
            {ACCESS_ALLOWED_ACE_TYPE, WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
            {ACCESS_ALLOWED_ACE_TYPE, WinInteractiveSid,
             FILE_GENERIC_READ | FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES},
        };
        ASSERT_NE(dacl, nullptr);
        ASSERT_EQ(dacl->AceCount, std::size(expected));
        for (DWORD i = 0; i < dacl->AceCount; ++i) {
            SCOPED_TRACE("ACE " + std::to_string(i));
            ACCESS_ALLOWED_ACE* ace = nullptr;
            ASSERT_TRUE(::GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
            EXPECT_EQ(ace->Header.AceType, expected[i].Type);
            EXPECT_EQ(ace->Mask, expected[i].Mask);
            EXPECT_EQ(ace->Mask & FILE_CREATE_PIPE_INSTANCE,
                      expected[i].Who == WinInteractiveSid ? 0u : DWORD(FILE_CREATE_PIPE_INSTANCE));
            BYTE sid[SECURITY_MAX_SID_SIZE];
            DWORD size = sizeof sid;
            ASSERT_TRUE(::CreateWellKnownSid(expected[i].Who, nullptr, sid, &size));
            EXPECT_TRUE(::EqualSid(&ace->SidStart, sid));
        }
    }

    // Nobody else gets an instance of that name while the service has it.
    for (const DWORD flags : {DWORD(0), DWORD(FILE_FLAG_FIRST_PIPE_INSTANCE)}) {
        const HANDLE second =
            ::CreateNamedPipeA(kServicePipeName, PIPE_ACCESS_DUPLEX | flags, PIPE_TYPE_MESSAGE,
                               PIPE_UNLIMITED_INSTANCES, 64, 64, 0, nullptr);
        EXPECT_EQ(second, INVALID_HANDLE_VALUE);
        if (second != INVALID_HANDLE_VALUE) ::CloseHandle(second);
    }

    // Within the minute the same request gets the last result back, without a fetch.
    EXPECT_EQ(OutcomeOf(Send(Request(0))), ServiceOutcome::Refused);
    EXPECT_EQ(server.Connections(), 1);

    // Hostile callers: nonsense of every kind is refused and fetches nothing.
    std::mt19937 random(18);
    std::vector<std::vector<std::uint8_t>> hostile;
    for (int i = 0; i < 60; ++i) {
        std::vector<std::uint8_t> bytes(1 + random() % 40);
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
        hostile.push_back(bytes);
    }
    const auto valid = Request(0);
    for (std::size_t size = 1; size < valid.size(); ++size) {
        hostile.emplace_back(valid.begin(), valid.begin() + size);
    }
    auto oversized = valid;
    oversized.push_back(0);
    hostile.push_back(oversized);
    hostile.push_back(std::vector<std::uint8_t>(4000, 'A'));
    for (const std::uint16_t index : {1, 2, 10, 11, 63, 64, 255, 256, 4096, 32768, 65535}) {
        hostile.push_back(Request(index));
    }
    for (const auto& bytes : hostile) {
        EXPECT_EQ(OutcomeOf(Send(bytes)), ServiceOutcome::BadRequest) << bytes.size() << " bytes";
    }
    EXPECT_EQ(server.Connections(), 1);

    // A megabyte in one message costs the service little: it reads a bounded amount of it in
    // large pieces, and drops the caller.
    {
        const unique_handle_k process(
            ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, running.dwProcessId));
        ASSERT_TRUE(process);
        const auto cpu = [&process] {
            FILETIME created, exited, kernel, user;
            ::GetProcessTimes(process.get(), &created, &exited, &kernel, &user);
            const auto ticks = [](FILETIME t) {
                return (std::uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000;
            };
            return ticks(kernel) + ticks(user);
        };
        const std::uint64_t before = cpu();
        const auto start = Clock::now();
        Send(std::vector<std::uint8_t>(1 << 20, 'A'));
        EXPECT_LT(Clock::now() - start, 1500ms);
        EXPECT_LT(cpu() - before, 300u);
    }
    EXPECT_EQ(OutcomeOf(Send(Request(0))), ServiceOutcome::Refused);

    // A caller that connects and never writes is dropped, and the next one is served.
    {
        const auto start = Clock::now();
        const unique_handle_k silent = OpenPipe(GENERIC_READ);
        ASSERT_TRUE(silent);
        char byte;
        DWORD moved = 0;
        EXPECT_FALSE(::ReadFile(silent.get(), &byte, 1, &moved, nullptr));
        EXPECT_LT(Clock::now() - start, 5s);
    }
    EXPECT_EQ(OutcomeOf(Send(Request(0))), ServiceOutcome::Refused);
    // Still the same process: nothing made it fall over.
    EXPECT_EQ(Status().dwProcessId, running.dwProcessId);

    // Stopped through the service control manager.
    StopService();
    EXPECT_EQ(Status().dwCurrentState, DWORD(SERVICE_STOPPED));

    // A pipe of that name made by another program while the service is stopped: the service
    // will not share it and the program does not talk to it.
    {
        const unique_handle_k squatter(::CreateNamedPipeA(
            kServicePipeName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE,
            PIPE_UNLIMITED_INSTANCES, 64, 64, 0, nullptr));
        ASSERT_NE(squatter.get(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(ExchangeWithService({RequestKind::Synchronize, 0, 0}, 10s), std::nullopt);
        DWORD available = 0;
        ::PeekNamedPipe(squatter.get(), nullptr, 0, nullptr, &available, nullptr);
        EXPECT_EQ(available, 0u);
        for (int i = 0; i < 100 && Status().dwCurrentState != SERVICE_STOPPED; ++i) {
            std::this_thread::sleep_for(100ms);
        }
    }
    EXPECT_EQ(server.Connections(), 1);

    ASSERT_EQ(RunProgram(kInstallFolder, "/uninstall-service"), 0u);
    EXPECT_FALSE(ClockServiceInstalled());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kEventSource));
    ExpectNoSettingsAndNoAutostart();
}

TEST_F(ServiceUnderScm, EndsItselfAfterAMinuteWithoutRequests) {
    ASSERT_EQ(RunProgram(kInstallFolder, "/install-service"), 0u);
    ASSERT_TRUE(RunningClockService(10000));
    EXPECT_EQ(OutcomeOf(Send({1, 2, 3})), ServiceOutcome::BadRequest);
    const auto last = Clock::now();
    while (Status().dwCurrentState != SERVICE_STOPPED && Clock::now() - last < 80s) {
        std::this_thread::sleep_for(250ms);
    }
    const auto idle = Clock::now() - last;
    EXPECT_EQ(Status().dwCurrentState, DWORD(SERVICE_STOPPED));
    EXPECT_GE(idle, 59s);
    EXPECT_LT(idle, 70s);
    ASSERT_EQ(RunProgram(kInstallFolder, "/uninstall-service"), 0u);
}

// "Ping Now" where the service serves ServerAddress: each of its outcomes reaches the user as the
// program's own synchronization would tell it. A fresh service for each case, so that its
// once-a-minute rule starts anew.
struct PingCase {
    const char* Name;
    double ServerAhead;  // seconds; NaN: nobody serves
    char Health;
    int Answer;                      // to the question, when one is asked
    std::vector<std::string> Boxes;  // what each box shown says, in order
    bool Recorded;                   // lblLastPing and LastPing set
};

void PrintTo(const PingCase& c, std::ostream* out) {
    *out << c.Name;
}

class PingThroughService : public ServiceUnderScm,
                           public ::testing::WithParamInterface<PingCase> {};

TEST_P(PingThroughService, TellsEachOutcomeAsTheProgramDoes) {
    const PingCase& c = GetParam();
    ASSERT_EQ(RunProgram(kInstallFolder, "/install-service"), 0u);
    StopService();
    // Running before the line is made, so that its start takes nothing from the half second.
    ASSERT_TRUE(RunningClockService(10000));
    const test::SyncSettingsScope settings;
    test::FakeMessageBoxes boxes;
    boxes.Answer = c.Answer;
    const ScopedSeam<IMessageBoxes> boxesSeam(boxes);
    test::FakeClockSyncView view;
    ServerAddress = "127.0.0.2";

    std::unique_ptr<test::LoopbackDaytimeServer> server;
    if (!std::isnan(c.ServerAhead)) {
        // Wine sets the clock only for a step under half a second. The line names the next
        // whole second, made half a second before it: the step is under half a second for as
        // long as the service takes up to 0.8 s to set it.
        const auto fraction = [] { return std::fmod(CurrentUtc() * kSecondsPerDay, 1.0); };
        while (fraction() < 0.5 || fraction() > 0.6) ::Sleep(5);
        std::string line = test::NistReply(CurrentUtc() + (c.ServerAhead + 0.5) / kSecondsPerDay);
        line[line.find(" 50.0") - 1] = c.Health;
        server = std::make_unique<test::LoopbackDaytimeServer>(line, 13, "127.0.0.2");
    }
    ClockSync(view).mnuPingClick();

    ASSERT_EQ(boxes.Shown.size(), c.Boxes.size());
    for (std::size_t i = 0; i < c.Boxes.size(); ++i) {
        EXPECT_THAT(boxes.Shown[i].Text, ::testing::HasSubstr(c.Boxes[i]));
        // The program's own hint is for where the service does not serve.
        EXPECT_THAT(boxes.Shown[i].Text, ::testing::Not(::testing::HasSubstr(kServiceHintText)));
    }
    EXPECT_EQ(view.LastPing.has_value(), c.Recorded);
    EXPECT_EQ(test::SyncSettingsScope::Raw("LastPing").has_value(), c.Recorded);
    // Only the service asked the server, and each time once.
    if (server) {
        EXPECT_EQ(server->Connections(), c.Answer == IDYES ? 2 : 1);
    }
    EXPECT_EQ(Status().dwCurrentState, DWORD(SERVICE_RUNNING));
}

const double kNobody = std::nan("");
INSTANTIATE_TEST_SUITE_P(
    Outcomes, PingThroughService,
    ::testing::Values(
        PingCase{"Set", 0, '0', IDNO, {"System Clock is correct"}, true},
        PingCase{"Refused", 3600, '0', IDNO, {"could not be set"}, false},
        PingCase{"TooLargeNo", 16 * 3600.0, '0', IDNO, {"Set the System Clock"}, false},
        PingCase{"TooLargeYes",
                 16 * 3600.0,
                 '0',
                 IDYES,
                 {"Set the System Clock", "could not be set"},
                 false},
        PingCase{"Unhealthy", 90, '2', IDNO, {std::string(kUnhealthyText)}, false},
        PingCase{"NoTime", kNobody, '0', IDNO, {std::string(kCannotReachText)}, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ServiceUnderScm, ServerTheServiceDoesNotServeIsAskedAsTodayWithTheHint) {
    ASSERT_EQ(RunProgram(kInstallFolder, "/install-service"), 0u);
    const test::SyncSettingsScope settings;
    test::FakeMessageBoxes boxes;
    const ScopedSeam<IMessageBoxes> boxesSeam(boxes);
    test::OnlineInternet internet;
    const ScopedSeam<IInternet> internetSeam(internet);
    test::FakeClockSyncView view;
    ServerAddress = "127.0.0.3";
    const test::LoopbackDaytimeServer server(test::NistReply(CurrentUtc() + 90.0 / kSecondsPerDay),
                                             13, "127.0.0.3");
    ClockSync(view).mnuPingClick();
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_THAT(boxes.Shown[0].Text, ::testing::HasSubstr("could not be set"));
    EXPECT_THAT(boxes.Shown[0].Text, ::testing::EndsWith(kServiceHintText));
    EXPECT_EQ(server.Connections(), 1);
}

}  // namespace
}  // namespace cs
