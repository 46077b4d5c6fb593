#pragma once
// Independent readers for the symbols under test: zxing-cpp and ZBar, each handed a picture and
// returning what it read, so that a round trip never trusts the encoder's own view of a symbol.

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>
#include <string>

namespace ostrel::test {

// What zxing-cpp read from a picture.
struct ZXingReading {
    std::string Bytes; // the data bytes as transmitted, without character-set conversion
    std::string Text;  // the data as zxing-cpp shows it, in UTF-8: converted by the ECI
                       // designator, else by its guess (a Kanji segment as Shift JIS)
    bool HasEci = false;
    std::string Level;     // the error-correction level letter of the format information
    bool Mirrored = false; // found only after transposing, which a correct symbol never needs
    // Structured append (ISO/IEC 18004 clause 8): the symbol's position 0..15 and the count of
    // the sequence (both -1 for a symbol outside one) and, for QR Code, its parity byte in
    // decimal as zxing-cpp's sequence id.
    int SequenceIndex = -1;
    int SequenceSize = -1;
    std::string SequenceId;
    // The symbology identifier: "]Q1" for plain data, "]Q3" for GS1 (FNC1 in first position).
    std::string Identifier;
};

struct ZXingOptions {
    // false: the reader does not turn the picture, so a mirrored symbol is not accepted as one
    // turned by a multiple of 90 degrees.
    bool TryRotate = true;
    // A picture narrower than this is first enlarged by a whole factor (pixel repetition), so
    // that the reader sees more than one pixel per module; 0 leaves it as it is.
    int MinimumWidth = 0;
};

// Reads a QR Code symbol with zxing-cpp (QR Code only, trying harder), or nothing when a null
// picture or no readable symbol is given.
// characterSet ("Shift_JIS", ...) is taken for content that declares none, where the reader
// would otherwise guess.
std::optional<ZXingReading> ReadWithZXing(const QImage& picture, const ZXingOptions& options = {},
                                          const std::string& characterSet = "");

enum class ZBarData {
    Text,   // ZBar converts the data to UTF-8 by the ECI designator, else by its own guess
    Binary, // the data bytes as transmitted (ZBAR_CFG_BINARY)
};

// Reads the first QR Code symbol with ZBar (QR Code only), or nothing when a null picture or no
// readable symbol is given.
std::optional<std::string> ReadWithZBar(const QImage& picture, ZBarData data = ZBarData::Text);

// An SVG file drawn at the given size onto red (so that anything the drawing leaves uncovered
// shows); a null picture when the file is no valid SVG drawing.
QImage RenderSvg(const QString& path, QSize size);

} // namespace ostrel::test
