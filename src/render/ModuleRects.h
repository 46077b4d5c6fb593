#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace ostrel::render {

// The dark modules of a symbol as few rectangles, for vector drawings: each horizontal run of
// dark modules in a row is one rectangle, and a run that repeats exactly in the rows below it
// grows downwards instead of starting a new one (the timing and finder patterns, long bars of
// the data). Filled together as one path, the rectangles leave no seams between modules at any
// zoom, unlike squares drawn one by one.
//
// Coordinates are in modules from the top-left corner of the drawing, y downwards. Works for
// any width and height (square QR Code symbols and rectangular ones alike).
class ModuleRects {
public:
    struct Rect {
        std::int32_t X = 0;
        std::int32_t Y = 0;
        std::int32_t Width = 0;
        std::int32_t Height = 0;
    };

    // The rectangles of a drawing width x height modules whose module (x, y) is dark when dark
    // says so; dark is asked for every module once, row after row. A width or height of 0 or
    // less gives an empty drawing.
    ModuleRects(std::int32_t width, std::int32_t height,
                const std::function<bool(std::int32_t, std::int32_t)>& dark);

    std::int32_t Width() const { return m_Width; }
    std::int32_t Height() const { return m_Height; }
    const std::vector<Rect>& Rects() const { return m_Rects; }

private:
    std::int32_t m_Width = 0;
    std::int32_t m_Height = 0;
    std::vector<Rect> m_Rects;
};

} // namespace ostrel::render
