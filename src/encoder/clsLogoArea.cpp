#include "clsLogoArea.h"

#include "clsModuleMatrix.h"
#include "clsPlacement.h"
#include "clsQRCapacity.h"
#include "clsQRLayout.h"
#include "clsRMQRLayout.h"
#include "clsRMQRTable.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

constexpr std::int32_t kBitsPerCodeword = 8;

// What the area needs to know of one symbol: its size, its function modules, the bit of the
// codeword sequence each module carries and the block table.
struct Geometry {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::uint8_t> Pattern; // Width x Height, clsModuleMatrix values
    std::vector<std::int32_t> BitOf;   // Width x Height: the module's bit, -1 for none
    clsCodewordBlocks::BlockTable Table;
    // The nearest columns and rows to the edges that the area may use (finder, separators,
    // format and version information and the edge timing patterns lie outside).
    std::int32_t FirstColumn = 0;
    std::int32_t FirstRow = 0;
    std::int32_t SkipColumn = -1;
};

// QR Code: the finders with their separators and the format information take rows and columns
// 0..8 in three corners, the timing patterns row and column 6, the version information
// (versions 7 and up) the rows and columns 0..5 beside the outer finders.
constexpr std::int32_t kQRFirstFree = 9;
// rMQR: the finder, its separator and the format information beside it take columns 0..11; the
// timing patterns run along the top and bottom rows.
constexpr std::int32_t kRMQRFirstColumn = 12;
constexpr std::int32_t kRMQRFirstRow = 1;

bool DrawPattern(Symbology kind, std::int32_t version, Geometry& g) {
    if (kind == Symbology::QR && version >= clsQRLayout::MinVersion &&
        version <= clsQRLayout::MaxVersion) {
        g.Width = g.Height = clsQRLayout::SymbolSize(version);
        g.Pattern.assign(static_cast<std::size_t>(g.Width) * g.Height, 0);
        clsQRLayout::DrawFunctionPatterns(
            clsModuleMatrix(g.Pattern.data(), g.Width, g.Height, g.Width), version);
        g.FirstColumn = g.FirstRow = kQRFirstFree;
        g.SkipColumn = clsQRLayout::PlacementSkipColumn;
        return true;
    }
    const std::int32_t index = version - 1;
    if (kind != Symbology::RMQR || index < 0 || index >= clsRMQRTable::SizeCount) {
        return false;
    }
    g.Width = clsRMQRTable::Width(index);
    g.Height = clsRMQRTable::Height(index);
    g.Pattern.assign(static_cast<std::size_t>(g.Width) * g.Height, 0);
    clsRMQRLayout::DrawFunctionPatterns(
        clsModuleMatrix(g.Pattern.data(), g.Width, g.Height, g.Width), index);
    g.FirstColumn = kRMQRFirstColumn;
    g.FirstRow = kRMQRFirstRow;
    g.SkipColumn = g.Width - 1;
    return true;
}

clsCodewordBlocks::BlockTable TableOf(Symbology kind, std::int32_t version, std::int32_t level) {
    if (kind == Symbology::QR) {
        return clsQRCapacity::Blocks(level, version);
    }
    const std::int32_t index = version - 1;
    return {clsRMQRTable::TotalCodewords(index), clsRMQRTable::BlockCount(index, level),
            clsRMQRTable::EccPerBlock(index, level)};
}

bool MakeGeometry(Symbology kind, std::int32_t version, std::int32_t level, Geometry& g) {
    if (!DrawPattern(kind, version, g)) {
        return false;
    }
    g.Table = TableOf(kind, version, level);
    if (g.Table.Blocks <= 0) {
        return false;
    }
    const std::vector<std::int32_t> order = clsPlacement::ModuleOrder(
        clsModuleMatrix(g.Pattern.data(), g.Width, g.Height, g.Width), g.SkipColumn);
    g.BitOf.assign(g.Pattern.size(), -1);
    for (std::size_t k = 0; k < order.size(); ++k) {
        g.BitOf[static_cast<std::size_t>(order[k])] = static_cast<std::int32_t>(k);
    }
    return true;
}

// The square of side `side` centred in the symbol, or Side 0 when it reaches a function pattern.
clsLogoArea::Square Centred(const Geometry& g, std::int32_t side) {
    const clsLogoArea::Square square{(g.Width - side) / 2, (g.Height - side) / 2, side};
    if (side <= 0 || square.X < g.FirstColumn || square.Y < g.FirstRow) {
        return {};
    }
    return square;
}

// The logo's side: the size times the short side, rounded to the nearest odd count, at least 1.
std::int32_t LogoSide(double size, std::int32_t shortSide) {
    const double sides = size * shortSide;
    return std::max<std::int32_t>(
        1, 2 * static_cast<std::int32_t>(std::floor((sides - 1) / 2 + 0.5)) + 1);
}

// The loads of every block when the codeword modules of cleared are cleared.
std::vector<clsLogoArea::BlockLoad> Loads(const Geometry& g, const clsLogoArea::Square& cleared,
                                          std::int32_t capacity, std::int32_t budget) {
    const std::vector<std::int32_t> blockOf = clsLogoArea::BlockOfCodeword(g.Table);
    std::vector<std::uint8_t> touched(blockOf.size(), 0);
    for (std::int32_t y = cleared.Y; y < cleared.Y + cleared.Side; ++y) {
        for (std::int32_t x = cleared.X; x < cleared.X + cleared.Side; ++x) {
            const std::int32_t bit = g.BitOf[static_cast<std::size_t>(y * g.Width + x)];
            if (bit >= 0 && bit / kBitsPerCodeword < std::ssize(touched)) {
                touched[static_cast<std::size_t>(bit / kBitsPerCodeword)] = 1;
            }
        }
    }
    std::vector<clsLogoArea::BlockLoad> loads(static_cast<std::size_t>(g.Table.Blocks),
                                              {0, capacity, capacity * budget / 100});
    for (std::size_t c = 0; c < touched.size(); ++c) {
        loads[static_cast<std::size_t>(blockOf[c])].Touched += touched[c];
    }
    return loads;
}

std::int32_t FirstOver(const std::vector<clsLogoArea::BlockLoad>& loads) {
    for (std::size_t b = 0; b < loads.size(); ++b) {
        if (loads[b].Touched > loads[b].Allowed) {
            return static_cast<std::int32_t>(b);
        }
    }
    return -1;
}

// The largest odd logo side whose area fits in the symbol and in the budget; 0 for none.
std::int32_t LargestFitting(const Geometry& g, std::int32_t margin, std::int32_t capacity,
                            std::int32_t budget) {
    const std::int32_t shortSide = std::min(g.Width, g.Height);
    for (std::int32_t side = shortSide - 2 * margin; side >= 1; --side) {
        const clsLogoArea::Square cleared = Centred(g, side + 2 * margin);
        if (side % 2 == 1 && cleared.Side > 0 &&
            FirstOver(Loads(g, cleared, capacity, budget)) < 0) {
            return side;
        }
    }
    return 0;
}

} // namespace

std::int32_t clsLogoArea::BlockCapacity(Symbology kind, std::int32_t version, std::int32_t level) {
    // Misdecode-protection codewords (ISO/IEC 18004 Table 9) by level L, M, Q, H, versions 1-3.
    constexpr std::int32_t kProtection[3][4] = {{3, 2, 1, 1}, {2, 0, 0, 0}, {1, 0, 0, 0}};
    const clsCodewordBlocks::BlockTable table = TableOf(kind, version, level);
    std::int32_t p = 0;
    if (kind == Symbology::QR && version >= 1 && version <= 3 && level >= 1 && level <= 4) {
        p = kProtection[version - 1][level - 1];
    }
    return std::max(0, table.EccPerBlock / 2 - p);
}

std::vector<std::int32_t> clsLogoArea::BlockOfCodeword(const clsCodewordBlocks::BlockTable& table) {
    std::vector<std::int32_t> blockOf;
    const std::int32_t longLength = table.LongLength();
    const std::int32_t shortBlocks = table.ShortBlocks();
    for (std::int32_t i = 0; i < longLength; ++i) {
        for (std::int32_t b = 0; b < table.Blocks; ++b) {
            if (i < longLength - 1 || b >= shortBlocks) {
                blockOf.push_back(b);
            }
        }
    }
    for (std::int32_t i = 0; i < table.EccPerBlock; ++i) {
        for (std::int32_t b = 0; b < table.Blocks; ++b) {
            blockOf.push_back(b);
        }
    }
    return blockOf;
}

clsLogoArea::Plan clsLogoArea::Measure(Symbology kind, std::int32_t version, std::int32_t level,
                                       const Request& request) {
    Plan plan;
    plan.Kind = kind;
    plan.Version = version;
    Geometry g;
    if (!MakeGeometry(kind, version, level, g)) {
        return plan;
    }
    plan.ShortSide = std::min(g.Width, g.Height);
    const std::int32_t capacity = BlockCapacity(kind, version, level);
    const std::int32_t margin = std::max(0, request.Margin);
    plan.LargestLogoSide = LargestFitting(g, margin, capacity, request.Budget);
    plan.LargestSize = static_cast<double>(plan.LargestLogoSide) / plan.ShortSide;
    std::int32_t side = LogoSide(request.Size, plan.ShortSide);
    while (side >= 1 && Centred(g, side + 2 * margin).Side == 0 && request.MayShrink) {
        side -= 2;
        plan.Shrunk = true;
    }
    plan.Cleared = side >= 1 ? Centred(g, side + 2 * margin) : Square{};
    if (plan.Cleared.Side == 0) {
        plan.Result = Verdict::ReachesFunction;
        return plan;
    }
    plan.Logo = {plan.Cleared.X + margin, plan.Cleared.Y + margin, side};
    plan.Blocks = Loads(g, plan.Cleared, capacity, request.Budget);
    plan.OverBlock = FirstOver(plan.Blocks);
    plan.Result = plan.OverBlock < 0 ? Verdict::Fits : Verdict::OverBudget;
    return plan;
}

std::vector<std::uint8_t> clsLogoArea::FunctionModules(Symbology kind, std::int32_t version) {
    Geometry g;
    if (!DrawPattern(kind, version, g)) {
        return {};
    }
    for (std::uint8_t& module : g.Pattern) {
        module = module != clsModuleMatrix::Free ? 1 : 0;
    }
    return g.Pattern;
}

void clsLogoArea::Clear(clsQRCode::Symbol& symbol, const Plan& plan) {
    const std::vector<std::uint8_t> function = FunctionModules(plan.Kind, plan.Version);
    const std::int32_t width = symbol.Columns();
    if (function.size() != static_cast<std::size_t>(width) * symbol.Rows()) {
        return;
    }
    const Square& area = plan.Cleared;
    for (std::int32_t y = area.Y; y < area.Y + area.Side; ++y) {
        for (std::int32_t x = area.X; x < area.X + area.Side; ++x) {
            if (function[static_cast<std::size_t>(y * width + x)] == 0) {
                symbol.Modules[static_cast<std::size_t>(y * symbol.Stride() + x)] = 0;
            }
        }
    }
}

} // namespace ostrel
