#include "CaptionDrawing.h"

namespace ostrel::label {

std::string CaptionDrawing::Write(CairoDocument::Kind kind, const clsQRCode::Symbol& symbol,
                                  std::int32_t margin, double module, render::Colour dark,
                                  render::Colour light, const CaptionPainter& caption,
                                  double band) {
    const std::int32_t columns = symbol.Columns() + 2 * margin;
    const std::int32_t rows = symbol.Rows() + 2 * margin;
    const double width = columns * module;
    const double height = rows * module + band;
    CairoDocument document(kind, width, height);
    cairo_t* cairo = document.Context();
    CairoDocument::FillBox(cairo, 0, 0, width, height, light);
    const render::ModuleRects rects(columns, rows, [&](std::int32_t x, std::int32_t y) {
        return symbol.At(x - margin, y - margin) != 0;
    });
    CairoDocument::FillRects(cairo, rects, 0, 0, module, dark);
    caption.Draw(cairo, width / 2, rows * module, dark);
    return document.Finish();
}

} // namespace ostrel::label
