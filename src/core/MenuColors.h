#pragma once

namespace cs {

// An RGB colour as three channels of 0 to 255.
struct Rgb {
    int R = 0;
    int G = 0;
    int B = 0;
    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
int RoundHalfEven(double value) noexcept;

// Each channel moves percent of the way to white; percent is capped at 100, so 100 and above
// give white. A negative percent darkens, down to black at the most.
Rgb TintRgb(Rgb color, int percent) noexcept;

// Darkens red and blue by amount and green by two less; a negative amount lightens. Each
// channel is kept within 0..255.
Rgb ShadeRgb(Rgb color, int amount) noexcept;

// The grey of the channels' integer mean raised by amount (capped at 100), at most 240 and at
// least 0.
Rgb GreyLevelRgb(Rgb color, int amount) noexcept;

// Whether text in the font's own colour stays readable on background: a light red-blue mean
// (above 150) or a light green (above 200).
bool IsLightBackground(Rgb background) noexcept;

}  // namespace cs
