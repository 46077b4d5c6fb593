#pragma once

#include "CaptionBand.h"
#include "Colour.h"
#include "LogoOverlay.h"
#include "PngWriter.h"
#include "PrintSize.h"
#include "clsQRCode.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ostrel::render {

// The kinds of file a symbol is drawn as: the module matrix as text ('1' dark, '0' light, one
// line a row), pictures (BMP, PNG), drawings (SVG, PDF, EPS) and text for a terminal (Unicode
// half blocks, ANSI background colours).
enum class Format { Matrix, Bmp, Png, Svg, Pdf, Eps, Utf8, Ansi };

// Pictures have whole pixels per module; drawings keep any size.
bool IsPictureFormat(Format format);
bool IsDrawingFormat(Format format);
bool IsTerminalFormat(Format format);

// Everything that decides the bytes of a drawn symbol. The values are taken as they are: the
// caller checks their ranges and which formats take which (colours: PNG and the drawings; process
// colours: PDF and EPS; invert: the terminal formats).
struct RenderSettings {
    Format Kind = Format::Png;
    std::int32_t Margin = 4; // the quiet zone in modules
    Colour Dark = Black;
    Colour Light = White;
    std::int32_t Scale = 1; // pixels per module, unless ModuleSize or WholeSize is given
    std::optional<PrintSize::Length> ModuleSize; // one module's side
    std::optional<PrintSize::Length> WholeSize;  // the symbol with its quiet zone, across
    std::optional<std::int32_t> Dpi;             // unset: pictures state no resolution
    bool Cmyk = false;                           // PDF, EPS: process colours instead of RGB
    bool Invert = false;                         // terminal formats: light and dark swapped
    // A logo over the middle (PNG, BMP, SVG), the symbol's modules under it already cleared.
    std::shared_ptr<const LogoOverlay> Logo;
    // A caption under the symbol (PNG, BMP, SVG), drawn by the caller into the band.
    std::shared_ptr<const CaptionBand> Caption;

    // The size asked for: ModuleSize, WholeSize, else Scale pixels per module.
    PrintSize Size() const;
    // Sized in real units or at a resolution: then a drawing states its size in the unit asked.
    bool RealSize() const { return ModuleSize || WholeSize || Dpi; }
};

// Draws symbols in any format. Keeps the PNG writer's compression stream between calls: one
// object per thread.
class SymbolRenderer {
public:
    // The size of the symbol's modules in the settings' format: Size() resolved for the symbol's
    // width with its quiet zone (the width decides: an rMQR symbol is wider than high).
    static PrintSize::Resolved Resolve(const clsQRCode::Symbol& symbol,
                                       const RenderSettings& settings);

    // The file of the symbol at a size that Resolve gave; empty when the size has an error or
    // the file cannot be made (too large a picture, memory).
    std::string Render(const clsQRCode::Symbol& symbol, const RenderSettings& settings,
                       const PrintSize::Resolved& size);

private:
    // The PNG, BMP or SVG file with settings' logo and caption; empty for another format.
    static std::string RenderWithLogo(const clsQRCode::Symbol& symbol,
                                      const RenderSettings& settings,
                                      const PrintSize::Resolved& size);

    PngWriter m_Png;
};

} // namespace ostrel::render
