// Conversion between the windows' layout units and screen pixels.
// At 96 DPI one pixel is 32/7 horizontal units and 4 vertical units; the
// factor follows the screen's logical DPI.
#pragma once

#include <cmath>

namespace kelp::platform {

class LayoutUnits {
public:
    explicit LayoutUnits(double dpiX = 96.0, double dpiY = 96.0) : sx_(dpiX / 96.0), sy_(dpiY / 96.0) {}

    int xToPixels(int units) const { return static_cast<int>(std::lround(units * 7.0 / 32.0 * sx_)); }
    int yToPixels(int units) const { return static_cast<int>(std::lround(units / 4.0 * sy_)); }
    int pixelsToX(int px) const { return static_cast<int>(std::lround(px * 32.0 / 7.0 / sx_)); }
    int pixelsToY(int px) const { return static_cast<int>(std::lround(px * 4.0 / sy_)); }

private:
    double sx_;
    double sy_;
};

} // namespace kelp::platform
