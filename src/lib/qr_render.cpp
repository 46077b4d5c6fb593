// The C interface's files: a symbol drawn by the rendering room with the settings of
// ostrel_qr_render_options, checked first, as the tool checks its options.
#include <ostrel/qr.h>

#include "CSymbol.h"
#include "LogoPixels.h"
#include "SymbolRenderer.h"
#include "WholeFile.h"
#include "clsLogoArea.h"
#include "clsSymbology.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

using ostrel::render::Colour;
using ostrel::render::Format;
using ostrel::render::PrintSize;
using ostrel::render::RenderSettings;

constexpr int MaxScale = 100;
constexpr int MaxQuietZone = 64;
constexpr std::uint32_t OpaqueBlack = 0x000000FFU;
constexpr std::uint32_t OpaqueWhite = 0xFFFFFFFFU;

// The C numbers of the formats, in the order of ostrel_qr_format.
constexpr Format Formats[] = {Format::Png, Format::Svg,    Format::Pdf,  Format::Eps,
                              Format::Bmp, Format::Matrix, Format::Utf8, Format::Ansi};
constexpr PrintSize::Unit Units[] = {PrintSize::Unit::Pixel, PrintSize::Unit::Millimetre,
                                     PrintSize::Unit::Centimetre, PrintSize::Unit::Inch};

Colour ColourOf(std::uint32_t rgba) {
    return Colour{static_cast<std::uint8_t>(rgba >> 24), static_cast<std::uint8_t>(rgba >> 16),
                  static_cast<std::uint8_t>(rgba >> 8), static_cast<std::uint8_t>(rgba)};
}

bool IsFlag(int value) {
    return value == 0 || value == 1;
}

// A length of module_size or size: 0 for not given, else positive and finite.
bool IsLength(double value) {
    return value == 0 || (std::isfinite(value) && value > 0);
}

// The settings of options for a symbol of the symbology, or OSTREL_QR_ERROR_INVALID_RENDER_OPTION
// for the first one out of range or not suiting the format.
int SettingsOf(const ostrel_qr_render_options& options, int symbology, RenderSettings& settings) {
    if (options.format < 0 || options.format >= static_cast<int>(std::size(Formats)) ||
        options.unit < 0 || options.unit >= static_cast<int>(std::size(Units)) ||
        options.scale < 1 || options.scale > MaxScale || options.dpi < 0 ||
        options.dpi > PrintSize::MaxDpi || !IsLength(options.module_size) ||
        !IsLength(options.size) || (options.module_size > 0 && options.size > 0) ||
        (options.quiet_zone != OSTREL_QR_QUIET_ZONE_DEFAULT &&
         (options.quiet_zone < 0 || options.quiet_zone > MaxQuietZone)) ||
        !IsFlag(options.cmyk) || !IsFlag(options.invert)) {
        return OSTREL_QR_ERROR_INVALID_RENDER_OPTION;
    }
    for (const int reserved : options.reserved) {
        if (reserved != 0) {
            return OSTREL_QR_ERROR_INVALID_RENDER_OPTION;
        }
    }
    const Format format = Formats[options.format];
    const bool sized =
        ostrel::render::IsPictureFormat(format) || ostrel::render::IsDrawingFormat(format);
    const bool coloured = format == Format::Png || ostrel::render::IsDrawingFormat(format);
    if ((!sized && (options.dpi != 0 || options.module_size > 0 || options.size > 0)) ||
        (!coloured && (options.foreground != OpaqueBlack || options.background != OpaqueWhite)) ||
        (options.cmyk != 0 && format != Format::Pdf && format != Format::Eps) ||
        (options.invert != 0 && !ostrel::render::IsTerminalFormat(format))) {
        return OSTREL_QR_ERROR_INVALID_RENDER_OPTION;
    }
    settings.Kind = format;
    settings.Margin =
        options.quiet_zone != OSTREL_QR_QUIET_ZONE_DEFAULT ? options.quiet_zone
        : format == Format::Matrix
            ? 0
            : ostrel::clsSymbology::Of(static_cast<ostrel::Symbology>(symbology)).QuietZone();
    settings.Dark = ColourOf(options.foreground);
    settings.Light = ColourOf(options.background);
    settings.Scale = options.scale;
    const PrintSize::Unit unit = Units[options.unit];
    if (options.module_size > 0) {
        settings.ModuleSize = PrintSize::Length{options.module_size, unit};
    }
    if (options.size > 0) {
        settings.WholeSize = PrintSize::Length{options.size, unit};
    }
    if (options.dpi != 0) {
        settings.Dpi = options.dpi;
    }
    settings.Cmyk = options.cmyk != 0;
    settings.Invert = options.invert != 0;
    return OSTREL_QR_OK;
}

// The encoder's form of a C symbol: the modules with the light padding columns and rows.
ostrel::clsQRCode::Symbol EncoderSymbol(const ostrel_qr_symbol& symbol) {
    ostrel::clsQRCode::Symbol made;
    made.Version = symbol.Version;
    made.Level = symbol.Level;
    made.Mask = symbol.Mask;
    made.Width = symbol.Width;
    made.Height = symbol.Height;
    made.Side = symbol.Width == symbol.Height ? symbol.Width : 0;
    const auto stride = static_cast<std::size_t>(made.Stride());
    made.Modules.assign(stride * static_cast<std::size_t>(symbol.Height + 3), 0);
    for (int y = 0; y < symbol.Height; ++y) {
        std::memcpy(made.Modules.data() + static_cast<std::size_t>(y) * stride,
                    symbol.Modules + static_cast<std::size_t>(y) * symbol.Width,
                    static_cast<std::size_t>(symbol.Width));
    }
    return made;
}

// The file of the symbol in file; OSTREL_QR_OK or the error that stopped it.
int RenderInto(const ostrel_qr_symbol& symbol, const ostrel_qr_render_options& options,
               std::string& file) {
    RenderSettings settings;
    if (const int error = SettingsOf(options, symbol.Symbology, settings); error != OSTREL_QR_OK) {
        return error;
    }
    const ostrel::clsQRCode::Symbol drawn = EncoderSymbol(symbol);
    const PrintSize::Resolved size = ostrel::render::SymbolRenderer::Resolve(drawn, settings);
    if (!size.Error.empty()) {
        return OSTREL_QR_ERROR_SIZE;
    }
    ostrel::render::SymbolRenderer renderer;
    file = renderer.Render(drawn, settings, size);
    // Every size that resolves is drawn; an empty file means the memory ran out (zlib's too).
    return file.empty() ? OSTREL_QR_ERROR_OUT_OF_MEMORY : OSTREL_QR_OK;
}

// Logo fields in their ranges (0 and -1 stand for the defaults of size and margin).
bool LogoFieldsValid(const ostrel_qr_logo& logo) {
    constexpr int MaxSide = 8000;
    constexpr double MaxSize = 0.8;
    constexpr int MaxMargin = 10;
    for (const int field : logo.reserved) {
        if (field != 0) {
            return false;
        }
    }
    return logo.rgba != nullptr && logo.width >= 1 && logo.width <= MaxSide && logo.height >= 1 &&
           logo.height <= MaxSide && logo.size > 0 && logo.size <= MaxSize && logo.margin >= 0 &&
           logo.margin <= MaxMargin && logo.budget >= ostrel::clsLogoArea::MinBudget &&
           logo.budget <= ostrel::clsLogoArea::MaxBudget;
}

ostrel::Symbology KindOf(int symbology) {
    return symbology == OSTREL_QR_SYMBOLOGY_RMQR       ? ostrel::Symbology::RMQR
           : symbology == OSTREL_QR_SYMBOLOGY_MICRO_QR ? ostrel::Symbology::Micro
                                                       : ostrel::Symbology::QR;
}

// The file of the symbol with the logo in file; OSTREL_QR_OK or the error that stopped it.
int RenderLogoInto(const ostrel_qr_symbol& symbol, const ostrel_qr_render_options& options,
                   const ostrel_qr_logo& logo, std::string& file) {
    RenderSettings settings;
    if (const int error = SettingsOf(options, symbol.Symbology, settings); error != OSTREL_QR_OK) {
        return error;
    }
    if (!LogoFieldsValid(logo)) {
        return OSTREL_QR_ERROR_INVALID_OPTION;
    }
    if (settings.Kind == Format::Eps) {
        return OSTREL_QR_ERROR_INVALID_RENDER_OPTION;
    }
    const ostrel::Symbology kind = KindOf(symbol.Symbology);
    const auto plan = ostrel::clsLogoArea::Measure(kind, symbol.Version, symbol.Level,
                                                   {logo.size, logo.margin, logo.budget, false});
    if (plan.Result != ostrel::clsLogoArea::Verdict::Fits) {
        return OSTREL_QR_ERROR_LOGO;
    }
    ostrel::clsQRCode::Symbol drawn = EncoderSymbol(symbol);
    ostrel::clsLogoArea::Clear(drawn, plan);
    const PrintSize::Resolved size = ostrel::render::SymbolRenderer::Resolve(drawn, settings);
    if (!size.Error.empty()) {
        return OSTREL_QR_ERROR_SIZE;
    }
    constexpr std::int32_t DrawingPixelsPerModule = 24;
    constexpr std::int32_t DrawingMaxPixels = 1024;
    auto overlay = std::make_shared<ostrel::render::LogoOverlay>();
    overlay->X = plan.Logo.X;
    overlay->Y = plan.Logo.Y;
    overlay->Side = plan.Logo.Side;
    overlay->Pixels = ostrel::render::IsPictureFormat(settings.Kind)
                          ? plan.Logo.Side * size.Pixels
                          : std::min(plan.Logo.Side * DrawingPixelsPerModule, DrawingMaxPixels);
    overlay->Rgba =
        ostrel::render::LogoPixels::Fit(logo.rgba, logo.width, logo.height, overlay->Pixels);
    overlay->Function = ostrel::clsLogoArea::FunctionModules(kind, symbol.Version);
    settings.Logo = std::move(overlay);
    ostrel::render::SymbolRenderer renderer;
    file = renderer.Render(drawn, settings, size);
    return file.empty() ? OSTREL_QR_ERROR_OUT_OF_MEMORY : OSTREL_QR_OK;
}

// The file handed to the caller in a buffer of its own, released by ostrel_qr_free as every
// buffer of the library.
int HandOut(const std::string& file, unsigned char** out, size_t* length) {
    auto memory = std::make_unique<unsigned char[]>(file.size());
    std::memcpy(memory.get(), file.data(), file.size());
    *out = memory.release();
    *length = file.size();
    return OSTREL_QR_OK;
}

} // namespace

extern "C" {

void ostrel_qr_logo_init(ostrel_qr_logo* logo) {
    if (logo == nullptr) {
        return;
    }
    *logo = ostrel_qr_logo{};
    logo->size = ostrel::clsLogoArea::DefaultSize;
    logo->margin = ostrel::clsLogoArea::DefaultMargin;
    logo->budget = ostrel::clsLogoArea::DefaultBudget;
}

int ostrel_qr_render_logo(const ostrel_qr_symbol* symbol, const ostrel_qr_render_options* options,
                          const ostrel_qr_logo* logo, unsigned char** out, size_t* length) {
    if (out != nullptr) {
        *out = nullptr;
    }
    if (length != nullptr) {
        *length = 0;
    }
    if (symbol == nullptr || options == nullptr || logo == nullptr || out == nullptr ||
        length == nullptr) {
        return OSTREL_QR_ERROR_NULL_ARGUMENT;
    }
    try {
        std::string file;
        if (const int error = RenderLogoInto(*symbol, *options, *logo, file);
            error != OSTREL_QR_OK) {
            return error;
        }
        return HandOut(file, out, length);
    } catch (const std::bad_alloc&) {
        return OSTREL_QR_ERROR_OUT_OF_MEMORY;
    } catch (...) {
        return OSTREL_QR_ERROR_INTERNAL;
    }
}

void ostrel_qr_render_options_init(ostrel_qr_render_options* options) {
    if (options == nullptr) {
        return;
    }
    *options = ostrel_qr_render_options{};
    options->format = OSTREL_QR_FORMAT_PNG;
    options->scale = 1;
    options->unit = OSTREL_QR_UNIT_PIXEL;
    options->quiet_zone = OSTREL_QR_QUIET_ZONE_DEFAULT;
    options->foreground = OpaqueBlack;
    options->background = OpaqueWhite;
}

int ostrel_qr_render(const ostrel_qr_symbol* symbol, const ostrel_qr_render_options* options,
                     unsigned char** out, size_t* length) {
    if (out != nullptr) {
        *out = nullptr;
    }
    if (length != nullptr) {
        *length = 0;
    }
    if (symbol == nullptr || options == nullptr || out == nullptr || length == nullptr) {
        return OSTREL_QR_ERROR_NULL_ARGUMENT;
    }
    try {
        std::string file;
        if (const int error = RenderInto(*symbol, *options, file); error != OSTREL_QR_OK) {
            return error;
        }
        return HandOut(file, out, length);
    } catch (const std::bad_alloc&) {
        return OSTREL_QR_ERROR_OUT_OF_MEMORY;
    } catch (...) {
        return OSTREL_QR_ERROR_INTERNAL;
    }
}

int ostrel_qr_render_file(const ostrel_qr_symbol* symbol, const ostrel_qr_render_options* options,
                          const char* path) {
    if (symbol == nullptr || options == nullptr || path == nullptr) {
        return OSTREL_QR_ERROR_NULL_ARGUMENT;
    }
    try {
        std::string file;
        if (const int error = RenderInto(*symbol, *options, file); error != OSTREL_QR_OK) {
            return error;
        }
        int reason = 0;
        if (!ostrel::render::WriteWholeFile(path, file, &reason).empty()) {
            errno = reason != 0 ? reason : EIO;
            return OSTREL_QR_ERROR_WRITE;
        }
        return OSTREL_QR_OK;
    } catch (const std::bad_alloc&) {
        return OSTREL_QR_ERROR_OUT_OF_MEMORY;
    } catch (...) {
        return OSTREL_QR_ERROR_INTERNAL;
    }
}

} // extern "C"
