#pragma once
#include <windows.h>
#include <commctrl.h>

// The common controls library, version 6, in the look of the running system. The program's
// manifest does not ask for it for the whole process: that would load the library with the
// first label, at every start, while the program's windows draw what they show themselves
// (their edit boxes are the classic ones of the system). It comes in for message boxes, whose
// buttons then have the system's look, and for the image lists.
namespace cs {

// While it lives, message boxes shown and system controls created by this thread take the
// version-6 look (from the program's second manifest; without one, nothing changes).
class ThemedControls {
public:
    ThemedControls() noexcept;
    ~ThemedControls();
    ThemedControls(const ThemedControls&) = delete;
    ThemedControls& operator=(const ThemedControls&) = delete;

private:
    ULONG_PTR m_cookie = 0;
    bool m_active = false;
};

// The library's function of that name, the library loaded (in the version-6 look) the first
// time; an Exception when the system has neither.
FARPROC CommonControlsFunction(const char* name);

template <typename F>
F* CommonControl(const char* name) {
    return reinterpret_cast<F*>(reinterpret_cast<void*>(CommonControlsFunction(name)));
}

}  // namespace cs
