// ClockSyncService.exe: sets the clock for users who may not. Started on demand by the program,
// it serves its pipe until a minute passes without a request, then ends, so that it holds
// nothing and runs nothing while nobody needs it.
#include <windows.h>

#include <cstdio>

#include "platform/SystemError.h"
#include "service/ClockService.h"
#include "service/EventLog.h"
#include "service/ServicePipe.h"
#include "time/DaytimeSocket.h"

namespace cs {
namespace {

struct ServiceState {
    SERVICE_STATUS_HANDLE Status = nullptr;
    SERVICE_STATUS Current{};
    unique_handle_k Stop{};
};

ServiceState g_service;

void ReportStatus(DWORD state, DWORD exitCode = NO_ERROR, DWORD waitHint = 0) {
    SERVICE_STATUS& status = g_service.Current;
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = exitCode;
    status.dwWaitHint = waitHint;
    status.dwCheckPoint =
        state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : status.dwCheckPoint + 1;
    ::SetServiceStatus(g_service.Status, &status);
}

DWORD WINAPI ControlHandler(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            // A synchronization under way ends within its own limits (a server's spacing and the
            // attempt over the list).
            ReportStatus(SERVICE_STOP_PENDING, NO_ERROR, 30000);
            ::SetEvent(g_service.Stop.get());
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
        default: return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, char**) {
    g_service.Status = ::RegisterServiceCtrlHandlerExA(kServiceName, ControlHandler, nullptr);
    if (!g_service.Status) return;
    ReportStatus(SERVICE_START_PENDING, NO_ERROR, 5000);

    g_service.Stop.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    DWORD error = g_service.Stop ? ERROR_SUCCESS : ::GetLastError();
    ServicePipe pipe;
    if (error == ERROR_SUCCESS) pipe = ServicePipe::Create(error);
    if (error != ERROR_SUCCESS) {
        // Most likely someone else holds a pipe of that name: serve nothing rather than share it.
        SystemEventLog().Report(EVENTLOG_ERROR_TYPE, static_cast<DWORD>(ServiceEvent::Failure),
                                std::string("The service could not open its pipe ") +
                                    kServicePipeName + ": " + SystemErrorText(error));
        ReportStatus(SERVICE_STOPPED, error);
        return;
    }

    // The list is read once a run; the service runs for a minute or so at a time, so a change by
    // an administrator counts from the next start.
    std::vector<std::string> servers = ReadServiceServers();
    if (servers.empty()) {
        // A stored list that names no server: every request is refused until it is mended, and
        // the administrator learns why once a run, not once a request.
        SystemEventLog().Report(EVENTLOG_ERROR_TYPE, static_cast<DWORD>(ServiceEvent::Failure),
                                std::string("The service's server list (HKEY_LOCAL_MACHINE\\") +
                                    kServiceServersKey + ", " + kServiceServersValue +
                                    ") names no server it can use: it must be a REG_MULTI_SZ "
                                    "value of IPv4 addresses. No request is served until it is.");
    }
    ClockService service(std::move(servers), SystemEventLog(), SystemServiceClock());
    ReportStatus(SERVICE_RUNNING);
    const ServicePipe::Ended ended = pipe.Serve(service, g_service.Stop.get(), kServiceIdleMs);
    ReportStatus(SERVICE_STOPPED,
                 ended == ServicePipe::Ended::Failed ? ERROR_PIPE_NOT_CONNECTED : NO_ERROR);
}

}  // namespace
}  // namespace cs

int main() {
    char name[] = "ClockSyncService";
    const SERVICE_TABLE_ENTRYA table[] = {{name, cs::ServiceMain}, {nullptr, nullptr}};
    if (::StartServiceCtrlDispatcherA(table)) return 0;
    const DWORD error = ::GetLastError();
    if (error == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) {
        std::fputs(
            "ClockSyncService runs only as a service, started by the service control "
            "manager. Install it with: ClockSync.exe /install-service\n",
            stderr);
    }
    return static_cast<int>(error);
}
