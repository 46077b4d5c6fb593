// The one member of clsQRCode that needs the picture module: the finished module matrix drawn
// one pixel per module with a quiet zone of four modules (three spare matrix columns and rows
// plus a one-pixel margin on the right and bottom, four pixels on the left and top).
#include "clsQRCode.h"
#include "mdlTilvane.h"

namespace ostrel {

QImage clsQRCode::Encode(std::span<const std::uint8_t> bytes, std::int32_t length,
                         std::int32_t version, std::int32_t level, std::int32_t mask) {
    const std::optional<Symbol> symbol = EncodeMatrix(bytes, length, version, level, mask);
    if (!symbol) {
        return {};
    }
    return mdlTilvane::MatrixToPicture(symbol->Modules.data(), symbol->Stride(), symbol->Stride(),
                                       4, 4, 1, 1);
}

} // namespace ostrel
