#include "service/ServicePipe.h"

#include <sddl.h>

#include "core/ServiceProtocol.h"

namespace cs {
namespace {

// Big enough for one request or answer; a longer message is read no further than one byte past
// a request, which is enough to know it is too long.
constexpr DWORD kPipeBufferSize = 64;

void FreeLocal(HLOCAL memory) noexcept {
    ::LocalFree(memory);
}
using unique_hlocal = unique_handle<HLOCAL, FreeLocal>;

}  // namespace

ServicePipe ServicePipe::Create(DWORD& error) {
    error = ERROR_SUCCESS;
    ServicePipe pipe;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(
            kServicePipeSecurity, SDDL_REVISION_1, &descriptor, nullptr)) {
        error = ::GetLastError();
        return pipe;
    }
    const unique_hlocal owned(descriptor);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    pipe.m_event.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!pipe.m_event) {
        error = ::GetLastError();
        return pipe;
    }
    const HANDLE handle = ::CreateNamedPipeA(
        kServicePipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
        kPipeBufferSize, kPipeBufferSize, 0, &attributes);
    if (handle == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return pipe;
    }
    pipe.m_pipe.reset(handle);
    return pipe;
}

bool ServicePipe::Complete(OVERLAPPED& overlapped, HANDLE stop, DWORD limit, DWORD& moved,
                           DWORD& error) {
    const HANDLE waits[] = {overlapped.hEvent, stop};
    const DWORD waited = ::WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, limit);
    if (waited != WAIT_OBJECT_0) {
        ::CancelIoEx(m_pipe.get(), &overlapped);
        // The I/O must be over before the OVERLAPPED and the buffer go away.
        ::GetOverlappedResult(m_pipe.get(), &overlapped, &moved, TRUE);
        moved = 0;
        error = waited == WAIT_TIMEOUT ? ERROR_TIMEOUT : ERROR_OPERATION_ABORTED;
        return false;
    }
    if (::GetOverlappedResult(m_pipe.get(), &overlapped, &moved, FALSE)) {
        error = ERROR_SUCCESS;
        return true;
    }
    error = ::GetLastError();
    return error == ERROR_MORE_DATA;
}

ServicePipe::Ended ServicePipe::Serve(ClockService& service, HANDLE stop, DWORD idleMs) {
    while (true) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = m_event.get();
        ::ResetEvent(m_event.get());
        if (!::ConnectNamedPipe(m_pipe.get(), &overlapped)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_IO_PENDING) {
                DWORD moved = 0;
                DWORD result = ERROR_SUCCESS;
                if (!Complete(overlapped, stop, idleMs, moved, result)) {
                    if (result == ERROR_TIMEOUT) return Ended::Idle;
                    if (result == ERROR_OPERATION_ABORTED) return Ended::Stopped;
                    // A client that came and went before it was seen.
                    ::DisconnectNamedPipe(m_pipe.get());
                    continue;
                }
            } else if (error == ERROR_NO_DATA) {
                ::DisconnectNamedPipe(m_pipe.get());
                continue;
            } else if (error != ERROR_PIPE_CONNECTED) {
                return Ended::Failed;
            }
        }
        ServeConnection(service, stop);
        ::DisconnectNamedPipe(m_pipe.get());
        if (::WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) return Ended::Stopped;
    }
}

void ServicePipe::ServeConnection(ClockService& service, HANDLE stop) {
    std::uint8_t buffer[kRequestSize + 1];
    OVERLAPPED overlapped{};
    overlapped.hEvent = m_event.get();
    ::ResetEvent(m_event.get());
    DWORD read = 0;
    DWORD error = ERROR_SUCCESS;
    if (!::ReadFile(m_pipe.get(), buffer, sizeof buffer, nullptr, &overlapped) &&
        ::GetLastError() != ERROR_IO_PENDING && ::GetLastError() != ERROR_MORE_DATA) {
        return;
    }
    if (!Complete(overlapped, stop, kPipeClientLimitMs, read, error)) return;
    // A message longer than a request, whatever it holds, is not a request.
    const bool oversized = error == ERROR_MORE_DATA || read > kRequestSize;
    const ServiceAnswer answer =
        service.Handle(std::span<const std::uint8_t>(buffer, oversized ? 0 : read), oversized);

    const auto bytes = EncodeAnswer(answer);
    ::ResetEvent(m_event.get());
    overlapped = OVERLAPPED{};
    overlapped.hEvent = m_event.get();
    DWORD written = 0;
    if (!::WriteFile(m_pipe.get(), bytes.data(), static_cast<DWORD>(bytes.size()), nullptr,
                     &overlapped) &&
        ::GetLastError() != ERROR_IO_PENDING) {
        return;
    }
    if (!Complete(overlapped, stop, kPipeClientLimitMs, written, error)) return;

    // One request per connection: the answer stays in the pipe until the caller has read it and
    // closed its end (disconnecting now would throw it away). Whatever else it sends, the rest of
    // an oversized message included, is read in large pieces and dropped, within a short time
    // and a bounded amount, so that no caller keeps the service busy.
    std::uint8_t drained[4096];
    DWORD total = 0;
    const DWORD start = ::GetTickCount();
    while (total < kPipeDrainBytes) {
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= kPipeDrainLimitMs) return;
        ::ResetEvent(m_event.get());
        overlapped = OVERLAPPED{};
        overlapped.hEvent = m_event.get();
        if (!::ReadFile(m_pipe.get(), drained, sizeof drained, nullptr, &overlapped) &&
            ::GetLastError() != ERROR_IO_PENDING && ::GetLastError() != ERROR_MORE_DATA) {
            return;
        }
        if (!Complete(overlapped, stop, kPipeDrainLimitMs - spent, read, error)) return;
        total += read;
    }
}

}  // namespace cs
