#include "support/WineDesktop.h"

namespace {
// Before any test creates a window.
const bool kUnmanaged = cs::test::UseUnmanagedWindowsUnderWine();
}  // namespace
