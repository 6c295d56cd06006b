#pragma once
#include <windows.h>

#include <string>

namespace cs {

// The system's text for an error code, without the trailing line break.
std::string SystemErrorText(DWORD error);

}  // namespace cs
