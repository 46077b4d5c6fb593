#pragma once

#include "CliOptions.h"
#include "LogoOverlay.h"
#include "clsLogoArea.h"
#include "clsQRCode.h"

#include <memory>
#include <string>
#include <vector>

namespace ostrel::cli {

// --logo for one symbol: the area planned and checked against the budget, the picture read at
// the size the file needs, the modules under it cleared. Nothing is written here.
class LogoSetup {
public:
    struct Result {
        std::shared_ptr<const render::LogoOverlay> Overlay; // null when Error is set
        std::string Error;                                  // why there is no logo (exit 2)
        std::vector<std::string> Warnings;                  // e.g. the logo made smaller
        std::string Budget;                                 // --print-logo-budget's lines
    };

    // Plans the logo of the options for symbol, clears its area in symbol and reads the picture
    // for a file of pixelsPerModule pixels a module (0 for drawings and text).
    static Result Apply(clsQRCode::Symbol& symbol, const CliOptions& options,
                        std::int32_t pixelsPerModule);

    // The lines of --print-logo-budget for a plan.
    static std::string BudgetLines(const clsLogoArea::Plan& plan, std::int32_t budget);
    // Why a plan that does not fit is refused, in the words of the options.
    static std::string Refusal(const clsLogoArea::Plan& plan, const clsQRCode::Symbol& symbol,
                               const CliOptions& options);
};

} // namespace ostrel::cli
