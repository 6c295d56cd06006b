#include "framework/Window.h"

#include "core/Exception.h"

namespace cs {

HINSTANCE ModuleInstance() noexcept {
    return ::GetModuleHandleA(nullptr);
}

void RegisterWindowClass(const char* className, WNDPROC procedure, UINT style) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExA(ModuleInstance(), className, &existing)) return;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ModuleInstance();
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    if (!::RegisterClassExA(&windowClass)) throw Exception("Cannot register window class");
}

}  // namespace cs
