#pragma once
// What the command-line tests check the tool's output with: matrices as text, format information
// read back from a matrix, pictures compared pixel by pixel and read back by zxing-cpp and ZBar,
// terminal output turned back into modules.

#include "CliRunner.h"
#include "WorkedExample.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ostrel::test {

// The ostrel-qr-cli under test.
inline const QString Cli = CliProgram();

// ---- Matrices as text ----

// The lines of a text (line feeds removed; no empty last line for a final line feed).
std::vector<std::string> Lines(const QByteArray& text);

// The rows of a symbol table as strings.
std::vector<std::string> Expected(const std::array<const char*, 21>& rows);

// The rows of the worked example, the version 1-Q symbol of "abc" with mask 0.
std::vector<std::string> AbcRows();

// True when the text is a matrix: side rows of side characters '0' and '1', each row ended by
// a line feed.
::testing::AssertionResult IsMatrix(const QByteArray& text, int side);

// The options followed by the text "abc".
QStringList AbcWith(QStringList options);

// A text of count letters 'a'.
QString Letters(int count);

// The matrix the tool writes for the arguments (with --format matrix added).
std::vector<std::string> MatrixOf(QStringList arguments);

// The rows with a light margin of margin modules on every side.
std::vector<std::string> WithMargin(const std::vector<std::string>& rows, int margin);

// ---- Format information, read back from a matrix (ISO/IEC 18004 clause 7.9) ----

// The 15-bit format word for error-correction bits (L 01, M 00, Q 11, H 10) and a mask:
// BCH(15,5) with generator x^10 + x^8 + x^5 + x^4 + x^2 + x + 1, masked with 101010000010010.
int FormatWord(int levelBits, int mask);

// The error-correction bits of a level letter (L 01, M 00, Q 11, H 10).
int LevelBits(char level);

// Both copies of the format word; bit 0 is the least significant.
std::pair<int, int> ReadFormatWords(const std::vector<std::string>& rows);

// The mask number in a matrix's format information; -1 when the word is none of the 32.
int MaskOf(const std::vector<std::string>& rows);

// ---- Pictures ----

// The bytes of the QR Code symbol that zxing-cpp reads in the picture; small pictures are
// enlarged first (pixel repetition) so that the reader sees more than one pixel per module.
std::optional<QByteArray> Decode(const QImage& picture);

// The text that zxing-cpp shows for a symbol: the bytes taken by its character set (the ECI
// designator when there is one, else its guess).
std::optional<QString> DecodeText(const QImage& picture);

// The text that ZBar shows for a symbol (UTF-8; ZBar converts by the ECI designator, else by
// its guess).
std::optional<QString> ZbarText(const QImage& picture);

// Every pixel of the picture against the matrix: module (x, y) is the block of scale x scale
// pixels at ((x + 4) * scale, (y + 4) * scale); the 4-module margin is white.
::testing::AssertionResult PictureShowsMatrix(const QImage& picture,
                                              const std::vector<std::string>& rows, int scale);

// Module rows as a picture, scale pixels per module, in the given colours.
QImage RowsPicture(const std::vector<std::string>& rows, int scale, QRgb dark = qRgb(0, 0, 0),
                   QRgb light = qRgb(255, 255, 255));

// Every pixel of the picture against the rows (margin included): scale x scale pixels per
// module, dark modules in the dark colour and light ones in the light colour (alpha included).
::testing::AssertionResult PictureShowsRows(const QImage& picture,
                                            const std::vector<std::string>& rows, int scale,
                                            QRgb dark, QRgb light);

// ---- Terminal output ----

// Half blocks back into module rows, two per text line: ink in the upper half of a character
// (U+2588 full block, U+2580 upper half block) is the upper row, ink in the lower half (U+2588,
// U+2584 lower half block) the lower row. inkIsDark says which modules the ink draws. Every
// character must be one of the four; the result has two rows per line.
std::optional<std::vector<std::string>> ParseHalfBlocks(const QByteArray& text, bool inkIsDark);

// ANSI background colours back into module rows: each module is two blanks in the colour in
// force, white (47) light and black (40) dark (swapped when inverted); every line ends in a
// reset.
std::optional<std::vector<std::string>> ParseAnsi(const QByteArray& text, bool inverted);

} // namespace ostrel::test
