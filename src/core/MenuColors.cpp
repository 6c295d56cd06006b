#include "core/MenuColors.h"

#include <algorithm>
#include <cmath>

namespace cs {

namespace {
int Channel(int value) noexcept {
    return std::clamp(value, 0, 255);
}
}  // namespace

int RoundHalfEven(double value) noexcept {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    double result = lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0)) result = lower + 1;
    return static_cast<int>(result);
}

Rgb TintRgb(Rgb color, int percent) noexcept {
    // The factor is a floating-point fraction, as the rounding of the results depends on it.
    const double factor = std::min(percent, 100) / 100.0;
    const auto tint = [factor](int v) { return Channel(v + RoundHalfEven((255 - v) * factor)); };
    return {tint(color.R), tint(color.G), tint(color.B)};
}

Rgb ShadeRgb(Rgb color, int amount) noexcept {
    // Green loses two less than red and blue.
    return {Channel(color.R - amount), Channel(color.G - amount + 2), Channel(color.B - amount)};
}

Rgb GreyLevelRgb(Rgb color, int amount) noexcept {
    const int level =
        Channel(std::min((color.R + color.G + color.B) / 3 + std::min(amount, 100), 240));
    return {level, level, level};
}

bool IsLightBackground(Rgb background) noexcept {
    return (background.R + background.B) / 2 > 150 || background.G > 200;
}

}  // namespace cs
