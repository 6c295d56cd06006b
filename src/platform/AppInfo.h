#pragma once
#include <string>
#include <string_view>

namespace cs {

// Full path of the running executable (GetModuleFileNameA).
std::string ExecutablePath();

// The part of a path after its last "\" or ":" (the whole path when it has neither).
std::string_view FileNameOf(std::string_view path);

// The application title shown as every message box's caption: the executable's file name up to
// its first ".", every letter after the first in lower case ("ClockSync.exe" gives "Clocksync").
std::string TitleFromFileName(std::string_view fileName);
std::string ApplicationTitle();

}  // namespace cs
