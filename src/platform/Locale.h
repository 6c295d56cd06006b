#pragma once
#include <string>

#include "core/DateTime.h"

namespace cs {

// A DateTime as the user reads it: the date in the user's short date format, then, unless the
// time of day is exactly 00:00:00, one blank and the time in the user's long time format.
std::string DateTimeToText(DateTime value);

}  // namespace cs
