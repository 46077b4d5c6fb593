#include "PrintSize.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace ostrel::render {

namespace {

struct UnitName {
    std::string_view Name;
    PrintSize::Unit Unit;
};
constexpr UnitName UnitNames[] = {
    {"mm", PrintSize::Unit::Millimetre},
    {"cm", PrintSize::Unit::Centimetre},
    {"in", PrintSize::Unit::Inch},
    {"px", PrintSize::Unit::Pixel},
};

// One pixel per module at the resolution is the least a picture can show; a little under it
// still counts, so that a size computed from exactly one pixel is not refused for a rounding
// error of the decimal it was written in.
constexpr double LeastPixels = 1.0 - 1e-9;

std::string WithUnit(double value, std::string_view unit) {
    return PrintSize::Number(value) + std::string(unit);
}

} // namespace

std::optional<PrintSize::Length> PrintSize::Parse(std::string_view text, std::string& error) {
    // The number as far as it looks like one, a sign and an exponent included, so that a number
    // in a form not accepted is named as a number and not taken for the start of the unit.
    const auto digit = [&text](std::size_t i) {
        return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0;
    };
    std::size_t end = text.starts_with('-') || text.starts_with('+') ? 1 : 0;
    while (digit(end) || (end < text.size() && text[end] == '.')) {
        ++end;
    }
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        const std::size_t sign =
            end + 1 < text.size() && (text[end + 1] == '+' || text[end + 1] == '-');
        if (digit(end + 1 + sign)) {
            for (end += 1 + sign; digit(end); ++end) {
            }
        }
    }
    const std::string_view number = text.substr(0, end);
    std::string unit(text.substr(end));
    for (char& c : unit) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (number.starts_with('-')) {
        error = "a positive size, like 0.5mm";
        return std::nullopt;
    }
    if (number.empty() || number == "." || number == "+") {
        error = "a number with a unit (mm, cm, in or px), like 0.5mm";
        return std::nullopt;
    }
    double value = 0;
    const auto [ptr, status] = std::from_chars(number.data(), number.data() + number.size(), value,
                                               std::chars_format::fixed);
    if (number.find_first_not_of("0123456789.") != std::string_view::npos ||
        std::count(number.begin(), number.end(), '.') > 1 || ptr != number.data() + number.size()) {
        error = "a decimal number (digits with at most one '.', no sign or exponent), like 0.5mm, "
                "not '" +
                std::string(number) + "'";
        return std::nullopt;
    }
    if (status != std::errc{} || !std::isfinite(value)) {
        error = "a number small enough to be a size: '" + std::string(number) + "' is too large";
        return std::nullopt;
    }
    if (unit.empty()) {
        error = value > 0 ? "a unit after the number: mm, cm, in or px"
                          : "a size greater than zero, with a unit after the number: mm, cm, in "
                            "or px";
        // The number in millimetres as a suggestion, when it is a size a drawing can have.
        if (value > 0 && value <= MaxInches * MillimetresPerInch) {
            error += " (" + std::string(text) + "mm?)";
        }
        return std::nullopt;
    }
    for (const auto& [name, named] : UnitNames) {
        if (unit == name) {
            if (!(value > 0)) {
                error = "a size greater than zero";
                return std::nullopt;
            }
            return Length{value, named};
        }
    }
    error = "the unit mm, cm, in or px, not '" + unit + "'";
    return std::nullopt;
}

PrintSize::PrintSize(Length length, Measure measure, std::optional<std::int32_t> dpi)
    : m_Length(length), m_Measure(measure), m_Dpi(dpi) {}

double PrintSize::ModuleInches(std::int32_t widthModules) const {
    double inches = m_Length.Value;
    switch (m_Length.In) {
    case Unit::Millimetre:
        inches /= MillimetresPerInch;
        break;
    case Unit::Centimetre:
        inches *= 10.0 / MillimetresPerInch;
        break;
    case Unit::Inch:
        break;
    case Unit::Pixel:
        inches /= m_Dpi ? static_cast<double>(*m_Dpi) : CssDpi;
        break;
    }
    return m_Measure == Measure::Whole && widthModules > 0 ? inches / widthModules : inches;
}

PrintSize::Resolved PrintSize::Resolve(std::int32_t widthModules, bool raster) const {
    Resolved result;
    if (widthModules <= 0) {
        result.Error = "the symbol has no modules";
        return result;
    }
    const std::string asked =
        std::string(m_Measure == Measure::Whole ? "--size " : "--module-size ") +
        WithUnit(m_Length.Value, UnitNames[static_cast<int>(m_Length.In)].Name);
    const double inches = ModuleInches(widthModules);
    if (raster && m_Length.In != Unit::Pixel && !m_Dpi) {
        result.Error = asked + " needs --dpi for a picture: the resolution it is printed at";
        return result;
    }
    // Pixels per module at the resolution; pictures without one are sized in pixels.
    const double pixels =
        raster && !m_Dpi
            ? (m_Measure == Measure::Whole ? m_Length.Value / widthModules : m_Length.Value)
            : inches * m_Dpi.value_or(0);
    if ((raster || m_Dpi) && pixels < LeastPixels) {
        result.Error = asked + " gives " + Number(pixels, 3) + " pixels per module" +
                       (m_Dpi ? " at " + std::to_string(*m_Dpi) + " dpi" : std::string()) +
                       "; at least 1 is needed";
        if (m_Measure == Measure::Whole) {
            result.Error += " (the symbol is " + std::to_string(widthModules) +
                            " modules wide with its quiet zone)";
        }
        return result;
    }
    if (!raster) {
        if (inches * widthModules > MaxInches) {
            result.Error = asked + " makes the symbol " +
                           WithUnit(inches * widthModules * MillimetresPerInch, "mm") +
                           " wide; at most " + WithUnit(MaxInches * MillimetresPerInch, "mm");
            return result;
        }
        result.Points = inches * PointsPerInch;
        return result;
    }
    const double snapped = std::max(1.0, std::round(pixels));
    if (snapped > MaxPixels) {
        result.Error = asked + " gives " + Number(pixels, 1) + " pixels per module; at most " +
                       std::to_string(MaxPixels) +
                       " in a picture (a lower --dpi, or a drawing: svg, pdf or eps)";
        return result;
    }
    result.Pixels = static_cast<std::int32_t>(snapped);
    if (std::abs(snapped - pixels) > SnapTolerance * pixels) {
        const double actual = m_Measure == Measure::Whole ? snapped * widthModules : snapped;
        const double want = m_Measure == Measure::Whole ? pixels * widthModules : pixels;
        const double factor = m_Dpi ? InDrawingUnit(1.0) / *m_Dpi : 1.0;
        const std::string_view unit = m_Dpi ? DrawingUnit() : std::string_view("px");
        result.Warning = asked + " is " + Number(want, 2) + " pixels" +
                         (m_Dpi ? " at " + std::to_string(*m_Dpi) + " dpi" : std::string()) +
                         "; whole pixels per module make it " + WithUnit(actual * factor, unit) +
                         " (" + std::to_string(result.Pixels) +
                         (result.Pixels == 1 ? " pixel" : " pixels") + " per module)";
    }
    return result;
}

std::string_view PrintSize::UnitName(Unit unit) {
    return UnitNames[static_cast<int>(unit)].Name;
}

std::string_view PrintSize::DrawingUnit() const {
    switch (m_Length.In) {
    case Unit::Millimetre:
        return "mm";
    case Unit::Centimetre:
        return "cm";
    case Unit::Inch:
        return "in";
    case Unit::Pixel:
        return m_Dpi ? "in" : "px";
    }
    return "px";
}

double PrintSize::InDrawingUnit(double inches) const {
    const std::string_view unit = DrawingUnit();
    return unit == "mm"   ? inches * MillimetresPerInch
           : unit == "cm" ? inches * MillimetresPerInch / 10.0
           : unit == "px" ? inches * CssDpi
                          : inches;
}

PrintSize::SvgLength PrintSize::SvgSize(double moduleInches, std::int32_t widthModules,
                                        std::int32_t heightModules) const {
    if (m_Length.In != Unit::Pixel || !m_Dpi) {
        return {InDrawingUnit(moduleInches), DrawingUnit(), 4};
    }
    constexpr double TenThousandths = 1e4;
    constexpr double Slack = 1e-6;
    const auto whole = [&](std::int32_t modules) {
        const double units = moduleInches * modules * TenThousandths;
        return std::abs(units - std::round(units)) < Slack;
    };
    if (whole(widthModules) && whole(heightModules)) {
        return {moduleInches, "in", 4};
    }
    return {moduleInches * PointsPerInch, "pt", 6};
}

std::string PrintSize::Number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string result(text);
    if (result.find('.') != std::string::npos) {
        while (result.ends_with('0')) {
            result.pop_back();
        }
        if (result.ends_with('.')) {
            result.pop_back();
        }
    }
    return result == "-0" ? "0" : result;
}

} // namespace ostrel::render
