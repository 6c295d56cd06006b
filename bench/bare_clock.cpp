// The second yardstick of scripts/bench: the bare program (bench/bare.cpp) that also does the
// least a clock on screen needs, once a second: it puts the time into a label, which repaints.
// Its idle processor time is the floor for a program that shows the time to the second.
#include <windows.h>

#include <cstdio>

namespace {

HWND g_label = nullptr;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER: {
            SYSTEMTIME now;
            ::GetSystemTime(&now);
            char text[32];
            std::snprintf(text, sizeof text, "%u/%u/%u %u:%02u:%02u", now.wMonth, now.wDay,
                          now.wYear, now.wHour, now.wMinute, now.wSecond);
            ::SetWindowTextA(g_label, text);
            return 0;
        }
        case WM_DESTROY: ::PostQuitMessage(0); return 0;
        default: return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "BareClockWindow";
    if (!::RegisterClassA(&windowClass)) return 1;
    HWND window =
        ::CreateWindowA("BareClockWindow", "Bare Win32 clock", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 440, 330, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    g_label = ::CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE | SS_RIGHT, 200, 70, 200, 13,
                              window, nullptr, instance, nullptr);
    ::SendMessageA(g_label, WM_SETFONT,
                   reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    ::ShowWindow(window, show);
    ::UpdateWindow(window);
    ::SetTimer(window, 1, 1000, nullptr);
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return 0;
}
