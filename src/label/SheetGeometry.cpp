#include "SheetGeometry.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace ostrel::label {

namespace {

constexpr double PointsPerMillimetre = 72.0 / 25.4;
constexpr double DefaultMargin = 10 * PointsPerMillimetre;
// The largest page: 200 inches, as PDF readers accept.
constexpr double MaxPage = 14400;
constexpr std::int32_t MaxCells = 1000;

struct NamedPage {
    const char* Name;
    double WidthMm;
    double HeightMm;
};
constexpr NamedPage NamedPages[] = {
    {"A3", 297, 420}, {"A4", 210, 297},         {"A5", 148, 210},
    {"A6", 105, 148}, {"Letter", 215.9, 279.4}, {"Legal", 215.9, 355.6},
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<double> Number(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || error != std::errc{} || ptr != end || !(value > 0) ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// "63.5x38.1mm": two lengths sharing the unit at the end; nullopt for anything else.
std::optional<std::pair<double, double>> Pair(const std::string& text) {
    const std::string lower = Lower(text);
    const std::size_t cross = lower.find('x');
    if (cross == std::string::npos) {
        return std::nullopt;
    }
    std::size_t unitAt = lower.size();
    while (unitAt > cross + 1 && std::isalpha(static_cast<unsigned char>(lower[unitAt - 1]))) {
        --unitAt;
    }
    const std::string unit = lower.substr(unitAt);
    const auto width = SheetGeometry::Points(lower.substr(0, cross) + unit);
    const auto height = SheetGeometry::Points(lower.substr(cross + 1));
    if (!width || !height) {
        return std::nullopt;
    }
    return std::pair{*width, *height};
}

std::string Millimetres(double points) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f mm", points / PointsPerMillimetre);
    return text;
}

} // namespace

std::optional<double> SheetGeometry::Points(const std::string& text) {
    const std::string lower = Lower(text);
    const std::pair<const char*, double> units[] = {
        {"mm", PointsPerMillimetre}, {"cm", 10 * PointsPerMillimetre}, {"in", 72.0}, {"pt", 1.0}};
    for (const auto& [unit, factor] : units) {
        const std::string_view name(unit);
        if (lower.size() > name.size() && lower.ends_with(name)) {
            const auto value =
                Number(std::string_view(lower).substr(0, lower.size() - name.size()));
            if (value) {
                return *value * factor;
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool SheetGeometry::SetPage(const std::string& sheet) {
    for (const NamedPage& page : NamedPages) {
        if (Lower(sheet) == Lower(page.Name)) {
            m_PageName = page.Name;
            m_PageWidth = page.WidthMm * PointsPerMillimetre;
            m_PageHeight = page.HeightMm * PointsPerMillimetre;
            return true;
        }
    }
    const auto size = Pair(sheet);
    if (!size || size->first > MaxPage || size->second > MaxPage) {
        m_Error = "invalid value '" + sheet +
                  "' for --sheet: expected A3, A4, A5, A6, Letter, Legal or WxH with a unit "
                  "(210x297mm), at most 200 inches a side";
        return false;
    }
    m_PageName = sheet;
    m_PageWidth = size->first;
    m_PageHeight = size->second;
    return true;
}

bool SheetGeometry::SetCells(const std::optional<std::string>& grid,
                             const std::optional<std::string>& label) {
    const double areaWidth = m_PageWidth - 2 * m_Margin;
    const double areaHeight = m_PageHeight - 2 * m_Margin;
    if (label) {
        const auto size = Pair(*label);
        if (!size) {
            m_Error = "invalid value '" + *label +
                      "' for --label: expected WxH with a unit "
                      "(63.5x38.1mm)";
            return false;
        }
        m_CellWidth = size->first;
        m_CellHeight = size->second;
    }
    if (grid) {
        const std::string lower = Lower(*grid);
        const std::size_t cross = lower.find('x');
        int columns = 0;
        int rows = 0;
        const char* end = lower.data() + lower.size();
        const bool read = cross != std::string::npos &&
                          std::from_chars(lower.data(), lower.data() + cross, columns).ptr ==
                              lower.data() + cross &&
                          std::from_chars(lower.data() + cross + 1, end, rows).ptr == end;
        if (!read || columns < 1 || rows < 1 || columns * rows > MaxCells) {
            m_Error = "invalid value '" + *grid +
                      "' for --grid: expected COLSxROWS (3x8), at most " +
                      std::to_string(MaxCells) + " cells a page";
            return false;
        }
        m_Columns = columns;
        m_Rows = rows;
        if (!label) {
            m_CellWidth = (areaWidth - (columns - 1) * m_Gap) / columns;
            m_CellHeight = (areaHeight - (rows - 1) * m_Gap) / rows;
        }
    } else {
        // As many labels as fit.
        m_Columns = static_cast<std::int32_t>(
            std::floor((areaWidth + m_Gap) / (m_CellWidth + m_Gap) + 1e-9));
        m_Rows = static_cast<std::int32_t>(
            std::floor((areaHeight + m_Gap) / (m_CellHeight + m_Gap) + 1e-9));
    }
    const double usedWidth = m_Columns * m_CellWidth + (m_Columns - 1) * m_Gap;
    const double usedHeight = m_Rows * m_CellHeight + (m_Rows - 1) * m_Gap;
    if (m_Columns < 1 || m_Rows < 1 || !(m_CellWidth > 0) || !(m_CellHeight > 0) ||
        usedWidth > areaWidth + 1e-6 || usedHeight > areaHeight + 1e-6) {
        m_Error = "the labels do not fit the " + m_PageName + " page: within its margin of " +
                  Millimetres(m_Margin) + " it has " + Millimetres(std::max(areaWidth, 0.0)) +
                  " x " + Millimetres(std::max(areaHeight, 0.0)) + " for the cells";
        return false;
    }
    return true;
}

SheetGeometry SheetGeometry::Make(const std::string& sheet, const std::optional<std::string>& grid,
                                  const std::optional<std::string>& label,
                                  const std::optional<std::string>& margin,
                                  const std::optional<std::string>& gap) {
    SheetGeometry geometry;
    if (!geometry.SetPage(sheet)) {
        return geometry;
    }
    geometry.m_Margin = DefaultMargin;
    const std::pair<const std::optional<std::string>*, double*> lengths[] = {
        {&margin, &geometry.m_Margin}, {&gap, &geometry.m_Gap}};
    for (const auto& [text, field] : lengths) {
        if (!*text) {
            continue;
        }
        const auto points = *text == "0" ? std::optional<double>(0.0) : Points(**text);
        if (!points) {
            geometry.m_Error = "invalid value '" + **text + "' for " +
                               (field == &geometry.m_Margin ? "--sheet-margin" : "--gap") +
                               ": expected a length with its unit (5mm, 0.25in)";
            return geometry;
        }
        *field = *points;
    }
    if (!grid && !label) {
        geometry.m_Error = "--sheet needs --grid COLSxROWS or --label WxH";
        return geometry;
    }
    geometry.SetCells(grid, label);
    return geometry;
}

SheetGeometry::Cell SheetGeometry::At(std::size_t index) const {
    const auto perPage = static_cast<std::size_t>(PerPage());
    const std::size_t onPage = index % perPage;
    Cell cell;
    cell.Page = static_cast<std::int32_t>(index / perPage) + 1;
    cell.Number = static_cast<std::int32_t>(onPage) + 1;
    const auto column = static_cast<std::int32_t>(onPage % static_cast<std::size_t>(m_Columns));
    const auto row = static_cast<std::int32_t>(onPage / static_cast<std::size_t>(m_Columns));
    cell.X = m_Margin + column * (m_CellWidth + m_Gap);
    cell.Y = m_Margin + row * (m_CellHeight + m_Gap);
    cell.Width = m_CellWidth;
    cell.Height = m_CellHeight;
    return cell;
}

} // namespace ostrel::label
