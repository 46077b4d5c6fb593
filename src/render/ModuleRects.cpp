#include "ModuleRects.h"

#include <algorithm>
#include <cstddef>

namespace ostrel::render {

ModuleRects::ModuleRects(std::int32_t width, std::int32_t height,
                         const std::function<bool(std::int32_t, std::int32_t)>& dark)
    : m_Width(std::max(width, 0)), m_Height(std::max(height, 0)) {
    // The rectangles that reach the row above, by their index, left to right.
    std::vector<std::size_t> open;
    std::vector<std::size_t> next;
    for (std::int32_t y = 0; y < m_Height; ++y) {
        next.clear();
        std::size_t above = 0;
        std::int32_t x = 0;
        while (x < m_Width) {
            if (!dark(x, y)) {
                ++x;
                continue;
            }
            const std::int32_t start = x;
            while (x < m_Width && dark(x, y)) {
                ++x;
            }
            // The runs of both rows are in order from the left: skip those above that end
            // before this one starts.
            while (above < open.size() && m_Rects[open[above]].X < start) {
                ++above;
            }
            if (above < open.size() && m_Rects[open[above]].X == start &&
                m_Rects[open[above]].Width == x - start) {
                ++m_Rects[open[above]].Height;
                next.push_back(open[above]);
            } else {
                m_Rects.push_back({start, y, x - start, 1});
                next.push_back(m_Rects.size() - 1);
            }
        }
        open.swap(next);
    }
}

} // namespace ostrel::render
