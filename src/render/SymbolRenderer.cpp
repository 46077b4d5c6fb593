#include "SymbolRenderer.h"
#include "BmpWriter.h"
#include "EpsWriter.h"
#include "LogoComposite.h"
#include "ModuleRects.h"
#include "PdfWriter.h"
#include "SvgWriter.h"
#include "TextRenderer.h"

namespace ostrel::render {

bool IsPictureFormat(Format format) {
    return format == Format::Bmp || format == Format::Png;
}

bool IsDrawingFormat(Format format) {
    return format == Format::Svg || format == Format::Pdf || format == Format::Eps;
}

bool IsTerminalFormat(Format format) {
    return format == Format::Utf8 || format == Format::Ansi;
}

PrintSize RenderSettings::Size() const {
    if (WholeSize) {
        return PrintSize(*WholeSize, PrintSize::Measure::Whole, Dpi);
    }
    return PrintSize(
        ModuleSize.value_or(PrintSize::Length{static_cast<double>(Scale), PrintSize::Unit::Pixel}),
        PrintSize::Measure::Module, Dpi);
}

PrintSize::Resolved SymbolRenderer::Resolve(const clsQRCode::Symbol& symbol,
                                            const RenderSettings& settings) {
    return settings.Size().Resolve(symbol.Columns() + 2 * settings.Margin,
                                   IsPictureFormat(settings.Kind));
}

std::string SymbolRenderer::Render(const clsQRCode::Symbol& symbol, const RenderSettings& settings,
                                   const PrintSize::Resolved& size) {
    const std::int32_t margin = settings.Margin;
    auto rects = [&] {
        return ModuleRects(
            symbol.Columns() + 2 * margin, symbol.Rows() + 2 * margin,
            [&](std::int32_t x, std::int32_t y) { return symbol.At(x - margin, y - margin) != 0; });
    };
    if (!size.Error.empty()) {
        return {};
    }
    if ((settings.Logo && (IsPictureFormat(settings.Kind) || settings.Kind == Format::Svg ||
                           settings.Kind == Format::Pdf)) ||
        (settings.Caption && IsPictureFormat(settings.Kind))) {
        return RenderWithLogo(symbol, settings, size);
    }
    switch (settings.Kind) {
    case Format::Matrix:
        return MatrixText(symbol, margin);
    case Format::Utf8:
        return Utf8Text(symbol, margin, settings.Invert);
    case Format::Ansi:
        return AnsiText(symbol, margin, settings.Invert);
    case Format::Svg: {
        if (!settings.RealSize()) {
            return SvgText(symbol, settings.Scale, margin, settings.Dark, settings.Light, 0, {}, 4,
                           settings.Caption.get());
        }
        const PrintSize::SvgLength length =
            settings.Size().SvgSize(size.Points / PrintSize::PointsPerInch,
                                    symbol.Columns() + 2 * margin, symbol.Rows() + 2 * margin);
        return SvgText(symbol, settings.Scale, margin, settings.Dark, settings.Light,
                       length.PerModule, length.Unit, length.Decimals, settings.Caption.get());
    }
    case Format::Pdf:
        return PdfWriter::Write(rects(), size.Points, settings.Dark, settings.Light, settings.Cmyk);
    case Format::Eps:
        return EpsWriter::Write(rects(), size.Points, settings.Dark, settings.Light, settings.Cmyk);
    case Format::Png:
        return m_Png.Write(symbol, size.Pixels, margin, settings.Dark, settings.Light,
                           settings.Dpi);
    case Format::Bmp:
        return BmpWriter::Write(symbol, size.Pixels, margin, settings.Dpi);
    }
    return {};
}

std::string SymbolRenderer::RenderWithLogo(const clsQRCode::Symbol& symbol,
                                           const RenderSettings& settings,
                                           const PrintSize::Resolved& size) {
    static const LogoOverlay none;
    const LogoOverlay& logo = settings.Logo ? *settings.Logo : none;
    const CaptionBand* band = settings.Caption.get();
    switch (settings.Kind) {
    case Format::Png:
        return LogoComposite::Png(symbol, logo, size.Pixels, settings.Margin, settings.Dark,
                                  settings.Light, settings.Dpi, band);
    case Format::Bmp:
        return LogoComposite::Bmp(symbol, logo, size.Pixels, settings.Margin, settings.Dpi, band);
    case Format::Svg: {
        RenderSettings plain = settings;
        plain.Logo.reset();
        return LogoComposite::Svg(SymbolRenderer().Render(symbol, plain, size), symbol, logo,
                                  settings.Margin, settings.Dark, settings.Light);
    }
    case Format::Pdf: {
        const std::int32_t margin = settings.Margin;
        const PdfWriter::Logo pdfLogo{logo, symbol, margin};
        return PdfWriter::Write(
            ModuleRects(symbol.Columns() + 2 * margin, symbol.Rows() + 2 * margin,
                        [&](std::int32_t x, std::int32_t y) {
                            return symbol.At(x - margin, y - margin) != 0;
                        }),
            size.Points, settings.Dark, settings.Light, settings.Cmyk, &pdfLogo);
    }
    default:
        return {};
    }
}

} // namespace ostrel::render
