#pragma once
#include <string_view>

namespace cs {

// The program's maker, as the Help menu and the banner button name it.
inline constexpr std::string_view kMakerDomain = "www.meridane.example";
inline constexpr std::string_view kMakerWebsite = "http://www.meridane.example/";

}  // namespace cs
