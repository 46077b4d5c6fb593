#pragma once

#include <QImage>

#include <optional>
#include <string>

namespace ostrel::test {

struct Decoded {
    std::string bytes; // the raw data bytes, no character-set conversion
    std::string text;  // the data as the reader shows it, in UTF-8
};

// Reads a QR Code symbol in a picture with an independent reader, or nothing when no symbol
// could be read. A Kanji-mode segment shows as Shift JIS text, byte segments in the character
// set the reader guesses.
std::optional<Decoded> DecodeWithZXing(const QImage& picture);

// The same with ZBar; its text is the data converted to UTF-8 by ZBar's own character-set
// detection.
std::optional<std::string> DecodeWithZBar(const QImage& picture);

} // namespace ostrel::test
