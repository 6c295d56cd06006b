#pragma once

namespace cs {

// Windows are designed at 96 pixels per inch (100%); at other display scales every place,
// size, font height and paint offset of the design is multiplied by dpi / 96.
inline constexpr int kDesignDpi = 96;

// value * dpi / 96, rounded half away from zero: what MulDiv(value, dpi, 96) gives.
int ScaleToDpi(int value, int dpi) noexcept;

// The fewest design pixels that cover pixels at dpi: a text measured at dpi still fits once its
// width in design pixels is scaled back.
int DesignPixelsCovering(int pixels, int dpi) noexcept;

// The pictures come at 100%, 150% and 200%. The scale drawn at dpi is the exact one, else the
// nearest larger one, else the largest.
inline constexpr int kPictureScales[] = {100, 150, 200};
int PictureScaleForDpi(int dpi) noexcept;

}  // namespace cs
