#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel::render {

// The size a symbol is drawn at: either the side of one module or the width of the whole symbol
// with its quiet zone, in millimetres, centimetres, inches or pixels, and the resolution (dots
// per inch) a picture is made for. Pictures (BMP, PNG) need whole pixels per module, so their
// module is snapped to the nearest whole number of pixels; drawings (SVG, PDF, EPS) keep the
// exact size. A pixel is a dot at the resolution given, else a CSS pixel (1/96 inch), the unit
// of SVG drawings without one.
//
// Immutable once made.
class PrintSize {
public:
    enum class Unit { Millimetre, Centimetre, Inch, Pixel };
    // What the length measures: one module (--module-size, --scale) or the whole symbol with its
    // quiet zone, across (--size).
    enum class Measure { Module, Whole };

    struct Length {
        double Value = 0;
        Unit In = Unit::Pixel;
    };

    // The size of one module, resolved for one symbol.
    struct Resolved {
        std::int32_t Pixels = 0; // pictures: whole pixels per module, 1..MaxPixels
        double Points = 0;       // drawings: the exact module side in points (1/72 inch)
        std::string Error;       // why the size cannot be drawn; the rest is then unset
        std::string Warning;     // pictures: the snapped size differs by more than 5%
    };

    static constexpr std::int32_t MinDpi = 1;
    static constexpr std::int32_t MaxDpi = 2400;
    static constexpr double CssDpi = 96.0;
    static constexpr double PointsPerInch = 72.0;
    static constexpr double MillimetresPerInch = 25.4;
    // Pictures: the most pixels per module (as --scale allows).
    static constexpr std::int32_t MaxPixels = 100;
    // Drawings: the widest symbol, 200 inches (5.08 m), the largest page PDF readers accept
    // (14400 points).
    static constexpr double MaxInches = 200.0;
    // Snapping to whole pixels warns when the module changes by more than this fraction.
    static constexpr double SnapTolerance = 0.05;

    // A positive decimal number (digits with at most one '.', no sign, no exponent) directly
    // followed by its unit: "0.5mm", "2cm", "0.02in", "6px" (the unit in any letter case, as every
    // value of the command line). nullopt for anything else, with the reason in error.
    static std::optional<Length> Parse(std::string_view text, std::string& error);

    // length measures what measure says; dpi unset: pixels are CSS pixels and pictures must be
    // sized in pixels.
    PrintSize(Length length, Measure measure, std::optional<std::int32_t> dpi);

    // The size of one module of a symbol widthModules wide (quiet zone included), for a picture
    // (raster true: snapped to whole pixels at the resolution) or a drawing (the exact size in
    // points). Errors: a picture sized in mm, cm or in without a resolution; fewer than one pixel
    // per module at the resolution given (drawings too, since they are printed at it); more than
    // MaxPixels per module in a picture; a drawing wider than MaxInches.
    Resolved Resolve(std::int32_t widthModules, bool raster) const;

    // The exact module side in inches for a symbol widthModules wide (CSS pixels without dpi).
    double ModuleInches(std::int32_t widthModules) const;

    // The unit a drawing states its size in: the unit asked ("mm", "cm", "in"), "in" for pixels
    // at a resolution given, "px" (CSS pixels) for pixels without one.
    std::string_view DrawingUnit() const;
    // A length in inches expressed in DrawingUnit().
    double InDrawingUnit(double inches) const;

    // How an SVG drawing states the size of a symbol widthModules x heightModules with modules
    // moduleInches wide: one module's side in Unit, written with at most Decimals places. The
    // unit asked; pixels at a resolution are not CSS pixels (1/96 in), so they are stated in
    // inches when both sides are whole ten-thousandths of an inch, else in points with 6
    // decimals, exact at every resolution of 2^a 3^b 5^c dots per inch with b <= 2 (72, 96, 150,
    // 200, 300, 600, 720, 1200, 2400, ...): 100 px at 300 dpi is 24pt, not 0.3333in.
    struct SvgLength {
        double PerModule = 0;
        std::string_view Unit;
        int Decimals = 4;
    };
    SvgLength SvgSize(double moduleInches, std::int32_t widthModules,
                      std::int32_t heightModules) const;

    // The unit as the command line spells it: "mm", "cm", "in" or "px".
    static std::string_view UnitName(Unit unit);

    const Length& Asked() const { return m_Length; }
    Measure Measures() const { return m_Measure; }
    std::optional<std::int32_t> Dpi() const { return m_Dpi; }

    // A number with at most decimals places, trailing zeros and a trailing point dropped
    // ("56.6929", "20", "0.5"); never in exponent form.
    static std::string Number(double value, int decimals = 4);

private:
    Length m_Length;
    Measure m_Measure;
    std::optional<std::int32_t> m_Dpi;
};

} // namespace ostrel::render
