#include "viewkit/TextFit.h"

#include <algorithm>
#include <cmath>

namespace lumra {

double fittedScale(double naturalWidth, double availableWidth, double minimumScale) {
    const double floor = std::clamp(minimumScale, 0.0, 1.0);
    if (!(naturalWidth > availableWidth) || !std::isfinite(naturalWidth) ||
        !std::isfinite(availableWidth))
        return 1.0;
    return std::clamp(std::max(0.0, availableWidth) / naturalWidth, floor, 1.0);
}

int fittedPixelSize(int pixelSize, double naturalWidth, double availableWidth,
                    double minimumScale) {
    if (pixelSize <= 1 || !(naturalWidth > availableWidth) || !std::isfinite(naturalWidth) ||
        !std::isfinite(availableWidth))
        return std::max(1, pixelSize);
    const double scale = std::clamp(minimumScale, 0.0, 1.0);
    // Whole pixels: rounding the floor up keeps the size at or above it.
    const int floorSize = std::max(1, static_cast<int>(std::ceil(pixelSize * scale - 1e-9)));
    const int fitting =
        static_cast<int>(std::floor(pixelSize * std::max(0.0, availableWidth) / naturalWidth));
    return std::clamp(fitting, floorSize, pixelSize);
}

} // namespace lumra
