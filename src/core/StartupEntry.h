#pragma once
#include <string>
#include <string_view>

namespace cs {

// Explorer keeps, beside each Run list, a REG_BINARY value per entry (StartupApproved\Run):
// twelve bytes, the first of which has its lowest bit set while Task Manager or Settings >
// Apps > Startup has switched the entry off; bytes 4 to 11 then hold the time of that (a
// FILETIME). Windows writes 02 or 06 for an entry that is on, 03 or 07 for one that is off.
// An entry with no such value, or with an empty one, is on.
bool StartupApprovedDisabled(std::string_view value);

// The same value with the entry switched on: the lowest bit of the first byte cleared and the
// time zeroed, every other byte kept. An empty or short value becomes the twelve bytes Windows
// writes for an entry that is on.
std::string StartupApprovedEnabled(std::string_view value);

// Whether a Run list's data starts fileName: the same path, letters compared without regard to
// case as Windows does, with or without the quotes that a path with blanks may carry.
bool RunEntryStarts(std::string_view data, std::string_view fileName);

}  // namespace cs
