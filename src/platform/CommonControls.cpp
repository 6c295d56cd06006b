#include "platform/CommonControls.h"

#include <string>

#include "core/Exception.h"

namespace cs {

namespace {

// The second manifest of the executable: the version-6 common controls and nothing else.
constexpr WORD kThemedControlsManifest = 2;

HANDLE ThemedContext() noexcept {
    static const HANDLE context = [] {
        ACTCTXA request{};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.hModule = ::GetModuleHandleA(nullptr);
        request.lpResourceName = MAKEINTRESOURCEA(kThemedControlsManifest);
        return ::CreateActCtxA(&request);
    }();
    return context;
}

HMODULE Library() noexcept {
    static const HMODULE module = [] {
        const ThemedControls themed;
        return ::LoadLibraryA("comctl32.dll");
    }();
    return module;
}

}  // namespace

ThemedControls::ThemedControls() noexcept {
    const HANDLE context = ThemedContext();
    if (context != INVALID_HANDLE_VALUE) m_active = ::ActivateActCtx(context, &m_cookie) != FALSE;
}

ThemedControls::~ThemedControls() {
    if (m_active) ::DeactivateActCtx(0, m_cookie);
}

FARPROC CommonControlsFunction(const char* name) {
    const HMODULE module = Library();
    const FARPROC function = module ? ::GetProcAddress(module, name) : nullptr;
    if (!function) throw Exception(std::string("The common controls library has no ") + name);
    return function;
}

}  // namespace cs
