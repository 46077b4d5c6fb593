// Prints the QR Code symbol of a text (default "abc") as rows of 0 and 1, no quiet zone, through
// the C++ interface: automatic version, level Q, mask 0 (or "--mask-auto" for the mask with the
// lowest penalty), like `ostrel-qr-cli --format matrix`.
#include <ostrel/clsMaskPenalty.h>
#include <ostrel/clsQRCode.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string_view>

int main(int argc, char** argv) {
    bool autoMask = false;
    std::string_view text = "abc";
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--mask-auto") {
            autoMask = true;
        } else {
            text = arg;
        }
    }
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    const auto length = static_cast<std::int32_t>(text.size());
    constexpr std::int32_t automaticVersion = 0;
    constexpr std::int32_t levelQ = 3;

    ostrel::clsQRCode encoder;
    encoder.SetKanjiMode(false); // the bytes are not Shift JIS
    const std::optional<ostrel::clsQRCode::Symbol> symbol =
        autoMask ? ostrel::clsMaskPenalty::EncodeBestMask(encoder, bytes, length, automaticVersion,
                                                          levelQ)
                 : encoder.EncodeMatrix(bytes, length, automaticVersion, levelQ, 0);
    if (!symbol) {
        std::fputs("print-symbol: the text does not fit in any symbol\n", stderr);
        return 1;
    }
    for (std::int32_t y = 0; y < symbol->Side; ++y) {
        for (std::int32_t x = 0; x < symbol->Side; ++x) {
            std::putchar(symbol->At(x, y) != 0 ? '1' : '0');
        }
        std::putchar('\n');
    }
    return 0;
}
