#pragma once
#include <windows.h>
#include <wininet.h>

#include <utility>

namespace cs {

// One owner per handle: a move-only wrapper that closes its handle with Close when it goes.
// Raw handles are passed on only as non-owning parameters.
template <typename T, auto Close, T Invalid = T{}>
class unique_handle {
public:
    unique_handle() noexcept = default;
    explicit unique_handle(T handle) noexcept : m_handle(handle) {}
    unique_handle(const unique_handle&) = delete;
    unique_handle& operator=(const unique_handle&) = delete;
    unique_handle(unique_handle&& other) noexcept : m_handle(other.release()) {}
    unique_handle& operator=(unique_handle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_handle() { reset(); }

    T get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != Invalid; }
    T release() noexcept { return std::exchange(m_handle, Invalid); }
    void reset(T handle = Invalid) noexcept {
        if (m_handle != Invalid) Close(m_handle);
        m_handle = handle;
    }
    // For out-parameters: closes what is held and hands out the slot.
    T* put() noexcept {
        reset();
        return &m_handle;
    }

private:
    T m_handle = Invalid;
};

namespace detail {
inline void CloseKey(HKEY key) noexcept { ::RegCloseKey(key); }
inline void DeleteGdiObject(HGDIOBJ object) noexcept { ::DeleteObject(object); }
inline void DeleteMemoryDc(HDC dc) noexcept { ::DeleteDC(dc); }
inline void DestroyIconHandle(HICON icon) noexcept { ::DestroyIcon(icon); }
inline void DestroyMenuHandle(HMENU menu) noexcept { ::DestroyMenu(menu); }
inline void CloseKernelHandle(HANDLE handle) noexcept { ::CloseHandle(handle); }
}  // namespace detail

using unique_hkey = unique_handle<HKEY, detail::CloseKey>;
using unique_hfont = unique_handle<HFONT, detail::DeleteGdiObject>;
using unique_hbitmap = unique_handle<HBITMAP, detail::DeleteGdiObject>;
using unique_hbrush = unique_handle<HBRUSH, detail::DeleteGdiObject>;
using unique_hpen = unique_handle<HPEN, detail::DeleteGdiObject>;
using unique_hdc = unique_handle<HDC, detail::DeleteMemoryDc>;
using unique_hicon = unique_handle<HICON, detail::DestroyIconHandle>;
using unique_hmenu = unique_handle<HMENU, detail::DestroyMenuHandle>;
using unique_handle_k = unique_handle<HANDLE, detail::CloseKernelHandle>;

// BeginPaint/EndPaint for one WM_PAINT.
class PaintGuard {
public:
    explicit PaintGuard(HWND window) noexcept : m_window(window) {
        m_dc = ::BeginPaint(window, &m_paint);
    }
    ~PaintGuard() { ::EndPaint(m_window, &m_paint); }
    PaintGuard(const PaintGuard&) = delete;
    PaintGuard& operator=(const PaintGuard&) = delete;
    HDC dc() const noexcept { return m_dc; }
    const PAINTSTRUCT& paint() const noexcept { return m_paint; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
    HDC m_dc = nullptr;
};

// GetDC/ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : m_window(window), m_dc(::GetDC(window)) {}
    ~WindowDc() {
        if (m_dc) ::ReleaseDC(m_window, m_dc);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC dc() const noexcept { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// SelectObject that puts the previous object back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_old(::SelectObject(dc, object)) {}
    ~SelectGuard() {
        if (m_old) ::SelectObject(m_dc, m_old);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

}  // namespace cs
