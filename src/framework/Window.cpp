#include "framework/Window.h"

#include <unordered_map>

#include "core/Exception.h"
#include "framework/Graphics.h"

namespace cs {

namespace {

// Windows of any thread may be looked up from any thread, so the table has a lock; it is
// uncontended in a program with one window thread.
struct WindowTable {
    SRWLOCK Lock = SRWLOCK_INIT;
    std::unordered_map<HWND, void*> Objects[2];
};

WindowTable& Table() noexcept {
    static WindowTable table;
    return table;
}

}  // namespace

bool AttachWindowObject(HWND window, WindowKind kind, void* object) noexcept {
    WindowTable& table = Table();
    ::AcquireSRWLockExclusive(&table.Lock);
    bool attached = true;
    try {
        table.Objects[static_cast<int>(kind)][window] = object;
    } catch (...) {
        attached = false;
    }
    ::ReleaseSRWLockExclusive(&table.Lock);
    return attached;
}

void* WindowObject(HWND window, WindowKind kind) noexcept {
    if (!window) return nullptr;
    WindowTable& table = Table();
    ::AcquireSRWLockShared(&table.Lock);
    const auto& objects = table.Objects[static_cast<int>(kind)];
    const auto found = objects.find(window);
    void* object = found == objects.end() ? nullptr : found->second;
    ::ReleaseSRWLockShared(&table.Lock);
    return object;
}

void DetachWindowObject(HWND window, WindowKind kind) noexcept {
    WindowTable& table = Table();
    ::AcquireSRWLockExclusive(&table.Lock);
    table.Objects[static_cast<int>(kind)].erase(window);
    ::ReleaseSRWLockExclusive(&table.Lock);
}

HINSTANCE ModuleInstance() noexcept {
    return ::GetModuleHandleA(nullptr);
}

void RegisterWindowClass(const char* className, WNDPROC procedure, UINT style, bool mainIcon) {
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
    // Shared images live as long as the module, and so as long as the class.
    if (mainIcon && ::FindResourceA(ModuleInstance(), kMainIconName, RT_GROUP_ICON)) {
        Icon icon;
        icon.LoadShared(ModuleInstance(), kMainIconName);
        windowClass.hIcon = icon.Handle();
        windowClass.hIconSm = icon.SmallHandle();
    }
    if (!::RegisterClassExA(&windowClass)) throw Exception("Cannot register window class");
}

}  // namespace cs
