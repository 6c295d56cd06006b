#pragma once

namespace cs::test {

// Under Wine on a bare X display (no window manager), every top-level window that is hidden or
// destroyed makes Wine wait two seconds for a window manager that never answers. Wine's X11
// driver can manage the windows itself instead, but it reads that setting once, when the
// process starts. So a test program calls this from a static initializer: the first time, it
// stores the setting (in the run's throw-away prefix), runs the same command line again as a
// child with the same standard handles, and ends with the child's exit code. Elsewhere it
// returns at once. Returns true.
bool UseUnmanagedWindowsUnderWine();

}  // namespace cs::test
