#include "LogoSetup.h"

#include "LogoPicture.h"

#include <algorithm>
#include <cstdio>

namespace ostrel::cli {

namespace {

// Pixels of a drawing's embedded picture (SVG, PDF) per module of the logo, and at most.
constexpr std::int32_t kDrawingPixelsPerModule = 24;
constexpr std::int32_t kDrawingMaxPixels = 1024;
// Pixels the picture is decoded at for the text formats, only to check that it decodes.
constexpr std::int32_t kCheckPixels = 16;

std::string SizeText(double size) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", size);
    return text;
}

std::string SymbolName(const clsQRCode::Symbol& symbol, const CliOptions& options) {
    const clsSymbology& symbology = clsSymbology::Of(options.Kind);
    std::string name(symbology.Name());
    name += ' ';
    name += symbology.VersionName(symbol.Version);
    name += '-';
    name += clsSymbology::LevelName(symbol.Level);
    return name;
}

std::string LargestText(const clsLogoArea::Plan& plan) {
    if (plan.LargestLogoSide == 0) {
        return "no logo fits this symbol; try a larger --symbol-version, --level H or a smaller "
               "--logo-margin";
    }
    return "the largest that fits is --logo-size " + SizeText(plan.LargestSize) + " (" +
           std::to_string(plan.LargestLogoSide) + " modules)";
}

std::int32_t PicturePixels(const clsLogoArea::Plan& plan, const CliOptions& options,
                           std::int32_t pixelsPerModule) {
    if (IsPictureFormat(options.EffectiveFormat())) {
        return plan.Logo.Side * pixelsPerModule;
    }
    if (IsDrawingFormat(options.EffectiveFormat())) {
        return std::min(plan.Logo.Side * kDrawingPixelsPerModule, kDrawingMaxPixels);
    }
    return kCheckPixels;
}

} // namespace

std::string LogoSetup::BudgetLines(const clsLogoArea::Plan& plan, std::int32_t budget) {
    std::string lines;
    for (std::size_t b = 0; b < plan.Blocks.size(); ++b) {
        const clsLogoArea::BlockLoad& load = plan.Blocks[b];
        lines += "block " + std::to_string(b + 1) + ": " + std::to_string(load.Touched) +
                 " codewords touched, corrects " + std::to_string(load.Capacity) + ", budget " +
                 std::to_string(load.Allowed) + " (" + std::to_string(budget) + "%)" +
                 (load.Touched > load.Allowed ? " over\n" : "\n");
    }
    return lines;
}

std::string LogoSetup::Refusal(const clsLogoArea::Plan& plan, const clsQRCode::Symbol& symbol,
                               const CliOptions& options) {
    const std::string name = SymbolName(symbol, options);
    switch (plan.Result) {
    case clsLogoArea::Verdict::NotTaken:
        return "--logo is for qr and rmqr symbols";
    case clsLogoArea::Verdict::ReachesFunction:
        return "a logo of --logo-size " + SizeText(options.LogoSize.value_or(0)) +
               " with --logo-margin " + std::to_string(options.LogoMargin) +
               " reaches the finder, timing, format or version modules of " + name + "; " +
               LargestText(plan);
    case clsLogoArea::Verdict::OverBudget: {
        const clsLogoArea::BlockLoad& load = plan.Blocks[static_cast<std::size_t>(plan.OverBlock)];
        return "the logo (" + std::to_string(plan.Logo.Side) + " modules) touches " +
               std::to_string(load.Touched) + " codewords of block " +
               std::to_string(plan.OverBlock + 1) + " of " + std::to_string(plan.Blocks.size()) +
               " of " + name + ", which corrects " + std::to_string(load.Capacity) +
               ": over the budget of " + std::to_string(load.Allowed) + " (--logo-budget " +
               std::to_string(options.LogoBudget) + "); " + LargestText(plan);
    }
    case clsLogoArea::Verdict::Fits:
        break;
    }
    return {};
}

LogoSetup::Result LogoSetup::Apply(clsQRCode::Symbol& symbol, const CliOptions& options,
                                   std::int32_t pixelsPerModule) {
    Result result;
    const LogoPicture picture = LogoPicture::Open(options.Logo.value_or(std::string()));
    if (!picture.Error().empty()) {
        result.Error = picture.Error();
        return result;
    }
    const clsLogoArea::Request request{options.LogoSize.value_or(clsLogoArea::DefaultSize),
                                       options.LogoMargin, options.LogoBudget,
                                       !options.LogoSize.has_value()};
    const clsLogoArea::Plan plan =
        clsLogoArea::Measure(options.Kind, symbol.Version, symbol.Level, request);
    if (options.PrintLogoBudget) {
        result.Budget = BudgetLines(plan, options.LogoBudget);
    }
    if (plan.Result != clsLogoArea::Verdict::Fits) {
        result.Error = Refusal(plan, symbol, options);
        return result;
    }
    if (plan.Shrunk) {
        result.Warnings.push_back(
            "the logo is made " + std::to_string(plan.Logo.Side) + " modules wide (--logo-size " +
            SizeText(static_cast<double>(plan.Logo.Side) / plan.ShortSide) +
            ") so as not to reach the function patterns of " + SymbolName(symbol, options));
    }
    auto overlay = std::make_shared<render::LogoOverlay>();
    overlay->Pixels = PicturePixels(plan, options, pixelsPerModule);
    overlay->Rgba = picture.Rgba(overlay->Pixels, result.Error);
    if (!result.Error.empty()) {
        return result;
    }
    overlay->X = plan.Logo.X;
    overlay->Y = plan.Logo.Y;
    overlay->Side = plan.Logo.Side;
    overlay->Function = clsLogoArea::FunctionModules(options.Kind, symbol.Version);
    overlay->Svg = picture.SvgText();
    clsLogoArea::Clear(symbol, plan);
    result.Overlay = std::move(overlay);
    return result;
}

} // namespace ostrel::cli
