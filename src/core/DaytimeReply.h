#pragma once
#include <string_view>

#include "core/DateTime.h"

namespace cs {

// The UTC time of a NIST Daytime line, to the whole second, or 0.0 when the text is not a usable
// line. Throws EConvertError for a field that is not an integer or for values that pass the
// bounds but form no real date or time.
DateTime ParseDaytimeReply(std::string_view reply);

}  // namespace cs
