#include "core/DisplayScale.h"

namespace cs {

int ScaleToDpi(int value, int dpi) noexcept {
    const long long product = static_cast<long long>(value) * dpi;
    const long long half = kDesignDpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / kDesignDpi
                                         : -((-product + half) / kDesignDpi));
}

int DesignPixelsCovering(int pixels, int dpi) noexcept {
    if (dpi <= 0 || pixels <= 0) return pixels;
    // Scaling rounds halves up: d design pixels cover pixels once d * dpi / 96 >= pixels - 1/2.
    const long long halves = (2LL * pixels - 1) * (kDesignDpi / 2);
    return static_cast<int>((halves + dpi - 1) / dpi);
}

int PictureScaleForDpi(int dpi) noexcept {
    for (int scale : kPictureScales)
        if (scale * kDesignDpi >= dpi * 100) return scale;
    return kPictureScales[sizeof kPictureScales / sizeof kPictureScales[0] - 1];
}

}  // namespace cs
