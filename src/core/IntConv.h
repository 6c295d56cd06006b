#pragma once
#include <string_view>

namespace cs {

// Decimal text to int: leading blanks are skipped and one leading "+" or "-" is accepted; anything
// else (an empty text, trailing blanks, other characters, a value outside int) throws
// EConvertError "'<text>' is not a valid integer value".
int StrToInt(std::string_view text);

}  // namespace cs
