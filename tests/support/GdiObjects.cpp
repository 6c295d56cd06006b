#include "support/GdiObjects.h"

#include <windows.h>

#include <cstdint>
#include <winternl.h>

namespace cs::test {

namespace {

// One entry of Wine's GDI handle table, which it publishes where Windows keeps its own: in the
// PEB's GdiSharedHandleTable. The layout is the same for 32- and 64-bit processes.
struct WineGdiEntry {
    std::uint64_t Object;
    std::uint32_t Owner;
    std::uint16_t Unique;
    std::uint8_t Type;  // 0 for a free entry
    std::uint8_t Flags;
    std::uint64_t UserPointer;
};
static_assert(sizeof(WineGdiEntry) == 24);
constexpr int kWineGdiEntries = 0x10000;

int CountWineTable() {
    // GdiSharedHandleTable is not in the SDK's PEB; it sits at 0x94 (32-bit) or 0xF8 (64-bit).
    constexpr std::size_t kOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
#pragma GCC diagnostic push
    // GCC 12 takes the TEB read at a segment offset for an access outside an empty array.
#pragma GCC diagnostic ignored "-Warray-bounds"
    const auto* peb = reinterpret_cast<const char*>(NtCurrentTeb()->ProcessEnvironmentBlock);
#pragma GCC diagnostic pop
    const auto* table = *reinterpret_cast<const WineGdiEntry* const*>(peb + kOffset);
    if (!table) return -1;
    int used = 0;
    for (int i = 0; i < kWineGdiEntries; ++i)
        if (table[i].Type != 0) ++used;
    return used;
}

}  // namespace

int GdiObjectCount() {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD count = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (count != 0 || ::GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
        return static_cast<int>(count);
    return CountWineTable();
}

}  // namespace cs::test
