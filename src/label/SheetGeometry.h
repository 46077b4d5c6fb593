#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace ostrel::label {

// The cells of a sheet of labels: a page (A4, A5, Letter or any size), a margin around the cells
// and a gap between them, and either a grid (the space shared out among COLS x ROWS cells) or a
// label size (as many cells of it as fit). Cells are numbered in rows, left to right, top to
// bottom, page after page. Lengths are points (1/72 inch), from the page's top-left corner.
//
// Immutable once made.
class SheetGeometry {
public:
    struct Cell {
        std::int32_t Page = 0;   // from 1
        std::int32_t Number = 0; // on its page, from 1, in rows
        double X = 0;
        double Y = 0;
        double Width = 0;
        double Height = 0;
    };

    // The texts of --sheet, --grid, --label, --sheet-margin and --gap as given (unset: not
    // given); Error() says why they make no sheet.
    static SheetGeometry Make(const std::string& sheet, const std::optional<std::string>& grid,
                              const std::optional<std::string>& label,
                              const std::optional<std::string>& margin,
                              const std::optional<std::string>& gap);

    const std::string& Error() const { return m_Error; }
    const std::string& PageName() const { return m_PageName; }
    double PageWidth() const { return m_PageWidth; }
    double PageHeight() const { return m_PageHeight; }
    std::int32_t Columns() const { return m_Columns; }
    std::int32_t Rows() const { return m_Rows; }
    std::int32_t PerPage() const { return m_Columns * m_Rows; }
    double CellWidth() const { return m_CellWidth; }
    double CellHeight() const { return m_CellHeight; }
    double Margin() const { return m_Margin; }
    double Gap() const { return m_Gap; }

    // The index-th cell (from 0) of the document.
    Cell At(std::size_t index) const;

    // A length with its unit (mm, cm, in; pt too) in points; nullopt for anything else.
    static std::optional<double> Points(const std::string& text);

private:
    bool SetPage(const std::string& sheet);
    bool SetCells(const std::optional<std::string>& grid, const std::optional<std::string>& label);

    std::string m_Error;
    std::string m_PageName;
    double m_PageWidth = 0;
    double m_PageHeight = 0;
    std::int32_t m_Columns = 0;
    std::int32_t m_Rows = 0;
    double m_CellWidth = 0;
    double m_CellHeight = 0;
    double m_Margin = 0;
    double m_Gap = 0;
};

} // namespace ostrel::label
