#include "CliOutput.h"

#include "CaptionDrawing.h"
#include "CaptionFont.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ostrel::cli {

namespace {

// Relative luminance (WCAG 2) of a colour laid over white.
double Luminance(Colour colour) {
    const double alpha = colour.Alpha / 255.0;
    auto linear = [alpha](std::uint8_t channel) {
        const double value = (channel / 255.0) * alpha + (1.0 - alpha);
        return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.Red) + 0.7152 * linear(colour.Green) +
           0.0722 * linear(colour.Blue);
}

} // namespace

PrintSize::Resolved SymbolSize(const clsQRCode::Symbol& symbol, const CliOptions& options) {
    return render::SymbolRenderer::Resolve(symbol, options.Rendering());
}

double VerifyDpi(const CliOptions& options, const PrintSize::Resolved& size) {
    constexpr double ReadablePixels = 4.0;
    if (options.Dpi) {
        return *options.Dpi;
    }
    if (!(size.Points > 0)) {
        return PrintSize::PointsPerInch;
    }
    return std::clamp(std::ceil(ReadablePixels * PrintSize::PointsPerInch / size.Points),
                      PrintSize::PointsPerInch, static_cast<double>(PrintSize::MaxDpi));
}

std::string LargerSize(const clsQRCode::Symbol& symbol, const CliOptions& options,
                       double modulePixels) {
    if (!(modulePixels > 0)) {
        return {};
    }
    // Rounded up, so that the suggestion is never below the size that gives the pixel more.
    const double factor = (std::floor(modulePixels) + 1) / modulePixels;
    constexpr double Slack = 1e-9;
    CliOptions larger = options;
    std::string option;
    if (options.ModuleSize || options.WholeSize) {
        PrintSize::Length& length = options.ModuleSize ? *larger.ModuleSize : *larger.WholeSize;
        length.Value = std::ceil(length.Value * factor * 100 - Slack) / 100;
        option = std::string(options.ModuleSize ? "--module-size " : "--size ") +
                 PrintSize::Number(length.Value, 2) + std::string(PrintSize::UnitName(length.In));
    } else {
        larger.Scale = static_cast<std::int32_t>(std::ceil(options.Scale * factor - Slack));
        if (larger.Scale > MaxScale) {
            return {};
        }
        option = "--scale " + std::to_string(larger.Scale);
    }
    return SymbolSize(symbol, larger).Error.empty() ? option : std::string();
}

SymbolVerifier::ScanCheck VerifyScan(const clsQRCode::Symbol& symbol, const CliOptions& options) {
    SymbolVerifier::ScanCheck scan;
    scan.Strict = options.VerifyStrict;
    scan.Identifier = options.Gs1 ? "]Q3" : options.Fnc1Application >= 0 ? "]Q5" : "";
    if (options.Fnc1Application >= clsSymbolEncoder::ApplicationLetterOffset) {
        scan.Prefix.push_back(
            static_cast<char>(options.Fnc1Application - clsSymbolEncoder::ApplicationLetterOffset));
    } else if (options.Fnc1Application >= 0) {
        scan.Prefix.push_back(static_cast<char>('0' + options.Fnc1Application / 10));
        scan.Prefix.push_back(static_cast<char>('0' + options.Fnc1Application % 10));
    }
    scan.Larger = [&symbol, &options](double modulePixels) {
        return LargerSize(symbol, options, modulePixels);
    };
    return scan;
}

QByteArray SymbolOutput(const clsQRCode::Symbol& symbol, const CliOptions& options,
                        render::SymbolRenderer& renderer, const PrintSize::Resolved& size,
                        std::shared_ptr<const render::LogoOverlay> logo, const std::string& caption,
                        std::string* captionError) {
    render::RenderSettings settings = options.Rendering();
    settings.Logo = std::move(logo);
    if (caption.empty() || !size.Error.empty()) {
        return QByteArray::fromStdString(renderer.Render(symbol, settings, size));
    }
    const label::CaptionFont& font = label::CaptionFont::Shared();
    const std::int32_t columns = symbol.Columns() + 2 * settings.Margin;
    const std::int32_t rows = symbol.Rows() + 2 * settings.Margin;
    const bool picture = IsPictureFormat(settings.Kind);
    // The caption's units: pixels, modules (SVG) or points (PDF, EPS).
    const double unitsPerPoint =
        picture ? settings.Dpi.value_or(PrintSize::CssDpi) / PrintSize::PointsPerInch
        : settings.Kind == OutputFormat::Svg ? 1.0 / size.Points
                                             : 1.0;
    const double module = picture                              ? size.Pixels
                          : settings.Kind == OutputFormat::Svg ? 1.0
                                                               : size.Points;
    const label::CaptionLayout layout = label::CaptionLayout::Fit(
        font, caption, symbol.Columns() * module, unitsPerPoint, options.CaptionSize, picture);
    if (!layout.Error.empty()) {
        if (captionError != nullptr) {
            *captionError = layout.Error;
        }
        return {};
    }
    const label::CaptionPainter painter(font, caption, layout);
    if (settings.Kind == OutputFormat::Pdf || settings.Kind == OutputFormat::Eps) {
        return QByteArray::fromStdString(label::CaptionDrawing::Write(
            settings.Kind == OutputFormat::Pdf ? label::CairoDocument::Kind::Pdf
                                               : label::CairoDocument::Kind::Eps,
            symbol, settings.Margin, size.Points, settings.Dark, settings.Light, painter,
            layout.Band));
    }
    auto band = std::make_shared<render::CaptionBand>();
    if (picture) {
        band->Rows = static_cast<std::int32_t>(layout.Band);
        band->Coverage = painter.Coverage(columns * size.Pixels, columns * size.Pixels / 2.0);
    } else {
        band->Modules = layout.Band;
        band->Svg = painter.Svg(columns / 2.0, rows, settings.Dark, options.CaptionOutline);
    }
    settings.Caption = std::move(band);
    return QByteArray::fromStdString(renderer.Render(symbol, settings, size));
}

double ContrastRatio(Colour first, Colour second) {
    const double a = Luminance(first);
    const double b = Luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

std::string ColourWarning(const CliOptions& options) {
    if (!options.Foreground && !options.Background) {
        return {};
    }
    const Colour dark = options.Foreground.value_or(Black);
    const Colour light = options.Background.value_or(White);
    const double ratio = ContrastRatio(dark, light);
    std::string warning;
    if (ratio < 3.0) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "the contrast between foreground and background is %.2f:1, under 3:1; "
                      "readers may fail to read the symbol",
                      ratio);
        warning = text;
    }
    if (Luminance(dark) > Luminance(light)) {
        warning += std::string(warning.empty() ? "" : "; ") +
                   "the foreground is lighter than the background, and many readers expect dark "
                   "modules on a light ground";
    }
    return warning;
}

std::string ByteCount(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

} // namespace ostrel::cli
