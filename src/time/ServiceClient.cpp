#include "time/ServiceClient.h"

#include <windows.h>

#include <aclapi.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "platform/Handles.h"
#include "time/BackgroundWait.h"
#include "time/ServiceControl.h"

namespace cs {
namespace {

using Clock = std::chrono::steady_clock;

DWORD Left(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<DWORD>(std::max<long long>(0, left.count()));
}

// Overlapped I/O on the pipe, bounded by the deadline; cancelled when it does not finish.
bool Transfer(HANDLE pipe, bool write, void* buffer, DWORD size, DWORD& moved,
              Clock::time_point deadline, bool& moreData) {
    const unique_handle_k event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    const BOOL done = write ? ::WriteFile(pipe, buffer, size, nullptr, &overlapped)
                            : ::ReadFile(pipe, buffer, size, nullptr, &overlapped);
    if (!done && ::GetLastError() != ERROR_IO_PENDING && ::GetLastError() != ERROR_MORE_DATA) {
        return false;
    }
    if (::WaitForSingleObject(event.get(), Left(deadline)) != WAIT_OBJECT_0) {
        ::CancelIoEx(pipe, &overlapped);
        ::GetOverlappedResult(pipe, &overlapped, &moved, TRUE);
        return false;
    }
    if (::GetOverlappedResult(pipe, &overlapped, &moved, FALSE)) return true;
    moreData = ::GetLastError() == ERROR_MORE_DATA;
    return moreData;
}

ServiceAnswer Busy() {
    ServiceAnswer answer;
    answer.Outcome = ServiceOutcome::Busy;
    return answer;
}

void FreeLocal(HLOCAL memory) noexcept {
    ::LocalFree(memory);
}
using unique_hlocal = unique_handle<HLOCAL, FreeLocal>;

}  // namespace

bool OwnedByLocalService(HANDLE pipe) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(pipe, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const unique_hlocal owned(descriptor);
    BYTE localService[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof localService;
    return owner && ::CreateWellKnownSid(WinLocalServiceSid, nullptr, localService, &size) &&
           ::EqualSid(owner, localService);
}

std::optional<ServiceAnswer> ExchangeWithService(const ServiceRequest& request,
                                                 std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::optional<DWORD> service =
        RunningClockService(std::min<DWORD>(Left(deadline), kServiceStartLimitMs));
    if (!service) return std::nullopt;

    unique_handle_k pipe;
    while (!pipe) {
        // Identification only: whatever holds the other end cannot act as this user.
        const HANDLE handle = ::CreateFileA(
            kServicePipeName, GENERIC_READ | FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES, 0, nullptr,
            OPEN_EXISTING, FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
            nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            pipe.reset(handle);
            break;
        }
        const DWORD error = ::GetLastError();
        if (Left(deadline) == 0)
            return error == ERROR_PIPE_BUSY ? std::optional(Busy()) : std::nullopt;
        if (error == ERROR_PIPE_BUSY) {
            // Another caller is being served; the service takes one at a time.
            ::WaitNamedPipeA(kServicePipeName, std::min<DWORD>(Left(deadline), 1000));
        } else if (error == ERROR_FILE_NOT_FOUND) {
            // No pipe at all: the service ended itself (a minute without requests) just now.
            // Started again; its new process is the one to trust.
            service = RunningClockService(std::min<DWORD>(Left(deadline), kServiceStartLimitMs));
            if (!service) return std::nullopt;
            ::Sleep(20);
        } else {
            return std::nullopt;
        }
    }

    // Only the service's own process may answer: a pipe of the same name made by anyone else
    // (while the service was not running) gets no request and is not believed.
    // The process id alone could have been given to another process since the service control
    // manager told it; the owner LOCAL SERVICE cannot be had by a standard user's pipe.
    ULONG server = 0;
    if (!::GetNamedPipeServerProcessId(pipe.get(), &server) || server != *service ||
        !OwnedByLocalService(pipe.get())) {
        return std::nullopt;
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!::SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr)) return std::nullopt;

    auto bytes = EncodeRequest(request);
    DWORD moved = 0;
    bool moreData = false;
    if (!Transfer(pipe.get(), true, bytes.data(), static_cast<DWORD>(bytes.size()), moved, deadline,
                  moreData) ||
        moved != bytes.size()) {
        return std::nullopt;
    }
    std::uint8_t answer[kAnswerSize + 1];
    if (!Transfer(pipe.get(), false, answer, sizeof answer, moved, deadline, moreData) ||
        moreData) {
        return std::nullopt;
    }
    return ParseAnswer(std::span<const std::uint8_t>(answer, moved));
}

ServiceAnswerWait AskClockService(const ServiceRequest& request, std::chrono::milliseconds limit) {
    // Shared with the worker, which may outlive this call when the program ends meanwhile; it
    // ends by its own limit.
    struct Exchange {
        unique_handle_k Done{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
        std::optional<ServiceAnswer> Answer;
    };
    const auto exchange = std::make_shared<Exchange>();
    ServiceAnswerWait result;
    if (!exchange->Done) return result;
    std::thread([exchange, request, limit] {
        exchange->Answer = ExchangeWithService(request, limit);
        ::SetEvent(exchange->Done.get());
    }).detach();
    // A little beyond the worker's own limit, which it keeps.
    const DWORD wait = static_cast<DWORD>(limit.count()) + 2000;
    switch (WaitAnswering(exchange->Done.get(), wait)) {
        case WaitEnd::Signalled: result.Answer = exchange->Answer; break;
        case WaitEnd::Quit: result.Abandoned = true; break;
        case WaitEnd::TimedOut: break;
    }
    return result;
}

}  // namespace cs
