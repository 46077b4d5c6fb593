#pragma once

#include "CliOptions.h"
#include "OutputFile.h"
#include "SymbolRenderer.h"
#include "SymbolVerifier.h"
#include "clsQRCode.h"

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ostrel::cli {

// The size of the symbol's modules in the options' format (PrintSize::Resolve for the symbol
// with the options' quiet zone).
PrintSize::Resolved SymbolSize(const clsQRCode::Symbol& symbol, const CliOptions& options);

// The resolution --verify renders a drawing at: --dpi, else enough for 4 pixels per module (at
// least 72 dpi, at most PrintSize::MaxDpi).
double VerifyDpi(const CliOptions& options, const PrintSize::Resolved& size);

// The size option that gives the symbol's modules more pixels than the modulePixels that --verify
// saw, as the user would type it: the one asked for (--scale, --module-size or --size) enlarged
// to one pixel a module more ("--scale 3", "--size 30mm"). Empty when that size cannot be drawn.
std::string LargerSize(const clsQRCode::Symbol& symbol, const CliOptions& options,
                       double modulePixels);

// What --verify asks of a scanner's search for the symbol: fail (--verify=strict) or warn, and
// suggest LargerSize. Refers to symbol and options, which must outlive it.
SymbolVerifier::ScanCheck VerifyScan(const clsQRCode::Symbol& symbol, const CliOptions& options);

// The output of one symbol in the options' format, size (SymbolSize), margin and colours, drawn
// by renderer, with a logo over it when one is given, and a caption under it when caption is not
// empty (at --caption-size, else fitted; in the embedded font for PDF and EPS). Empty when the
// picture cannot be made or size has an error, or when the caption cannot be drawn: then
// captionError (when given) says why.
QByteArray SymbolOutput(const clsQRCode::Symbol& symbol, const CliOptions& options,
                        render::SymbolRenderer& renderer, const PrintSize::Resolved& size,
                        std::shared_ptr<const render::LogoOverlay> logo = {},
                        const std::string& caption = {}, std::string* captionError = nullptr);

// The contrast ratio of two colours as readers see them (relative luminance of the colours
// over white, (lighter + 0.05) / (darker + 0.05), 1 to 21), and a warning for the options'
// colours when it is under 3 or the foreground is the lighter one; empty when all is well.
double ContrastRatio(Colour first, Colour second);
std::string ColourWarning(const CliOptions& options);

// A count of bytes as the messages say it: "1 byte", "1700 bytes".
std::string ByteCount(std::size_t count);

} // namespace ostrel::cli
