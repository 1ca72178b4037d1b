#include "viewkit/Contrast.h"

#include <algorithm>
#include <cmath>

namespace lumra {

namespace {

double linear(std::uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

std::uint8_t blend(std::uint8_t top, std::uint8_t bottom, double alpha) {
    return static_cast<std::uint8_t>(std::lround(top * alpha + bottom * (1.0 - alpha)));
}

} // namespace

double relativeLuminance(StatusRgba color) {
    return 0.2126 * linear(color.red) + 0.7152 * linear(color.green) + 0.0722 * linear(color.blue);
}

double contrastRatio(StatusRgba a, StatusRgba b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

StatusRgba compositeOver(StatusRgba top, StatusRgba bottom) {
    const double alpha = top.alpha / 255.0;
    return {blend(top.red, bottom.red, alpha), blend(top.green, bottom.green, alpha),
            blend(top.blue, bottom.blue, alpha), 255};
}

} // namespace lumra
