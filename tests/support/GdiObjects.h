#pragma once

namespace cs::test {

// The number of GDI objects this process holds now: GetGuiResources where the system keeps
// that count, else (under Wine, which does not) the used entries of the process's GDI handle
// table.
int GdiObjectCount();

}  // namespace cs::test
