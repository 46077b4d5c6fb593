#include "LogoPixels.h"

#include <algorithm>
#include <cmath>

namespace ostrel::render {

namespace {

// The average of the source pixels of columns [x0, x1) and rows [y0, y1), alpha-weighted.
void Average(const std::uint8_t* rgba, std::int32_t width, std::int32_t x0, std::int32_t x1,
             std::int32_t y0, std::int32_t y1, std::uint8_t* out) {
    double sum[4] = {0, 0, 0, 0};
    for (std::int32_t y = y0; y < y1; ++y) {
        for (std::int32_t x = x0; x < x1; ++x) {
            const std::uint8_t* p =
                rgba + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                        static_cast<std::size_t>(x)) *
                           4;
            for (int c = 0; c < 3; ++c) {
                sum[c] += p[c] * p[3];
            }
            sum[3] += p[3];
        }
    }
    const double count = static_cast<double>(x1 - x0) * (y1 - y0);
    for (int c = 0; c < 3; ++c) {
        out[c] = static_cast<std::uint8_t>(sum[3] > 0 ? std::lround(sum[c] / sum[3]) : 0);
    }
    out[3] = static_cast<std::uint8_t>(std::lround(sum[3] / count));
}

} // namespace

std::vector<std::uint8_t> LogoPixels::Fit(const std::uint8_t* rgba, std::int32_t width,
                                          std::int32_t height, std::int32_t pixels) {
    if (rgba == nullptr || width <= 0 || height <= 0 || pixels <= 0) {
        return {};
    }
    const double scale = static_cast<double>(pixels) / std::max(width, height);
    const auto fittedWidth = std::max<std::int32_t>(1, std::lround(width * scale));
    const auto fittedHeight = std::max<std::int32_t>(1, std::lround(height * scale));
    const std::int32_t left = (pixels - fittedWidth) / 2;
    const std::int32_t top = (pixels - fittedHeight) / 2;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(pixels) * pixels * 4, 0);
    for (std::int32_t y = 0; y < fittedHeight; ++y) {
        const std::int32_t y0 = y * height / fittedHeight;
        const std::int32_t y1 = std::max(y0 + 1, (y + 1) * height / fittedHeight);
        for (std::int32_t x = 0; x < fittedWidth; ++x) {
            const std::int32_t x0 = x * width / fittedWidth;
            const std::int32_t x1 = std::max(x0 + 1, (x + 1) * width / fittedWidth);
            Average(rgba, width, x0, x1, y0, y1,
                    out.data() + (static_cast<std::size_t>(top + y) * pixels + left + x) * 4);
        }
    }
    return out;
}

} // namespace ostrel::render
