#pragma once
#include <windows.h>

#include "core/DateTime.h"

namespace cs {

// A system time structure as a DateTime; throws EConvertError when it forms no real date or time.
DateTime SystemTimeToDateTime(const SYSTEMTIME& time);

// A DateTime broken down as the system's time functions take it, day of the week included.
SYSTEMTIME DateTimeToSystemTime(DateTime value);

}  // namespace cs
