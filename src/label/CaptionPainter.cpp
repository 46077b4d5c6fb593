#include "CaptionPainter.h"

#include "CaptionFont.h"
#include "PrintSize.h"
#include "SvgWriter.h"

#include <cstdio>

namespace ostrel::label {

namespace {

std::string XmlEscaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string Number(double value) {
    return render::PrintSize::Number(value, 4);
}

// The outline of the current path of cairo as SVG path data.
std::string PathData(cairo_t* cairo) {
    cairo_path_t* path = cairo_copy_path(cairo);
    std::string data;
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t* item = &path->data[i];
        auto point = [&](int k) { return Number(item[k].point.x) + ' ' + Number(item[k].point.y); };
        switch (item->header.type) {
        case CAIRO_PATH_MOVE_TO:
            data += 'M' + point(1);
            break;
        case CAIRO_PATH_LINE_TO:
            data += 'L' + point(1);
            break;
        case CAIRO_PATH_CURVE_TO:
            data += 'C' + point(1) + ' ' + point(2) + ' ' + point(3);
            break;
        case CAIRO_PATH_CLOSE_PATH:
            data += 'Z';
            break;
        }
    }
    cairo_path_destroy(path);
    return data;
}

} // namespace

std::vector<std::uint8_t> CaptionPainter::Coverage(std::int32_t width, double centreX) const {
    const auto rows = static_cast<std::int32_t>(m_Layout.Band);
    std::vector<std::uint8_t> coverage(static_cast<std::size_t>(width) *
                                       static_cast<std::size_t>(rows > 0 ? rows : 0));
    if (width <= 0 || rows <= 0) {
        return coverage;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, width, rows);
    cairo_t* cairo = cairo_create(surface);
    m_Font.Use(cairo, m_Layout.Size);
    cairo_move_to(cairo, centreX - m_Layout.Width / 2, m_Layout.Baseline);
    cairo_show_text(cairo, m_Text.c_str());
    cairo_destroy(cairo);
    cairo_surface_flush(surface);
    const unsigned char* pixels = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (std::int32_t y = 0; y < rows; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(x)] = pixels[y * stride + x];
        }
    }
    cairo_surface_destroy(surface);
    return coverage;
}

std::string CaptionPainter::Svg(double centreX, double top, render::Colour colour,
                                bool outline) const {
    const double baseline = top + m_Layout.Baseline;
    if (!outline) {
        std::string text = "<text x=\"" + Number(centreX) + "\" y=\"" + Number(baseline) +
                           "\" font-family=\"" + std::string(CaptionFont::Family) +
                           ", sans-serif\" font-size=\"" + Number(m_Layout.Size) +
                           "\" text-anchor=\"middle\" " + render::SvgFill(colour) + ">";
        text += XmlEscaped(m_Text);
        text += "</text>\n";
        return text;
    }
    // An unbounded surface: on a bounded one cairo leaves out the outlines of small glyphs that
    // lie outside it.
    cairo_surface_t* surface = cairo_recording_surface_create(CAIRO_CONTENT_ALPHA, nullptr);
    cairo_t* cairo = cairo_create(surface);
    m_Font.Use(cairo, m_Layout.Size);
    cairo_move_to(cairo, centreX - m_Layout.Width / 2, baseline);
    cairo_text_path(cairo, m_Text.c_str());
    std::string path = "<path " + render::SvgFill(colour) + " d=\"" + PathData(cairo) + "\"/>\n";
    cairo_destroy(cairo);
    cairo_surface_destroy(surface);
    return path;
}

void CaptionPainter::Draw(cairo_t* cairo, double centreX, double top, render::Colour colour) const {
    cairo_save(cairo);
    cairo_set_source_rgba(cairo, colour.Red / 255.0, colour.Green / 255.0, colour.Blue / 255.0,
                          colour.Alpha / 255.0);
    m_Font.Use(cairo, m_Layout.Size);
    cairo_move_to(cairo, centreX - m_Layout.Width / 2, top + m_Layout.Baseline);
    cairo_show_text(cairo, m_Text.c_str());
    cairo_restore(cairo);
}

} // namespace ostrel::label
