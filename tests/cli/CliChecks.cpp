#include "CliChecks.h"

#include "PeerReaders.h"

#include <QColor>
#include <QString>

#include <gtest/gtest.h>

namespace ostrel::test {

namespace {

// zxing-cpp sees small pictures enlarged by pixel repetition, more than one pixel per module.
ZXingOptions SmallPicturesEnlarged() {
    ZXingOptions options;
    options.MinimumWidth = 200;
    return options;
}

} // namespace

std::vector<std::string> Lines(const QByteArray& text) {
    std::vector<std::string> lines;
    for (const QByteArray& line : text.split('\n')) {
        lines.emplace_back(line.constData(), static_cast<std::size_t>(line.size()));
    }
    if (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

std::vector<std::string> Expected(const std::array<const char*, 21>& rows) {
    return {rows.begin(), rows.end()};
}

::testing::AssertionResult IsMatrix(const QByteArray& text, int side) {
    const auto lines = Lines(text);
    if (!text.endsWith('\n')) {
        return ::testing::AssertionFailure() << "the last row has no line feed";
    }
    if (static_cast<int>(lines.size()) != side) {
        return ::testing::AssertionFailure() << lines.size() << " rows instead of " << side;
    }
    for (std::size_t y = 0; y < lines.size(); ++y) {
        if (static_cast<int>(lines[y].size()) != side ||
            lines[y].find_first_not_of("01") != std::string::npos) {
            return ::testing::AssertionFailure() << "row " << y << " is '" << lines[y] << "'";
        }
    }
    return ::testing::AssertionSuccess();
}

QStringList AbcWith(QStringList options) {
    options << QStringLiteral("abc");
    return options;
}

QString Letters(int count) {
    return QString(count, QLatin1Char('a'));
}

// ---- Format information, read back from a matrix (ISO/IEC 18004 clause 7.9) ----

int FormatWord(int levelBits, int mask) {
    const int data = (levelBits << 3) | mask;
    int remainder = data << 10;
    for (int bit = 14; bit >= 10; --bit) {
        if ((remainder >> bit) & 1) {
            remainder ^= 0x537 << (bit - 10);
        }
    }
    return ((data << 10) | remainder) ^ 0x5412;
}

int LevelBits(char level) {
    switch (level) {
    case 'L':
        return 1;
    case 'M':
        return 0;
    case 'Q':
        return 3;
    default:
        return 2;
    }
}

std::pair<int, int> ReadFormatWords(const std::vector<std::string>& rows) {
    const int side = static_cast<int>(rows.size());
    auto dark = [&](int x, int y) { return rows[static_cast<std::size_t>(y)][x] == '1' ? 1 : 0; };
    int first = 0;
    int second = 0;
    for (int i = 0; i < 15; ++i) {
        int x = 8;
        int y = 8;
        if (i <= 5) {
            y = i;
        } else if (i == 6) {
            y = 7;
        } else if (i == 8) {
            x = 7;
        } else if (i >= 9) {
            x = 14 - i;
        }
        first |= dark(x, y) << i;
        second |= (i < 8 ? dark(side - 1 - i, 8) : dark(8, side - 15 + i)) << i;
    }
    return {first, second};
}

// ---- Reading pictures back ----

std::optional<QByteArray> Decode(const QImage& picture) {
    const auto reading = ReadWithZXing(picture, SmallPicturesEnlarged());
    if (!reading) {
        return std::nullopt;
    }
    return QByteArray::fromStdString(reading->Bytes);
}

::testing::AssertionResult PictureShowsMatrix(const QImage& picture,
                                              const std::vector<std::string>& rows, int scale) {
    const int side = static_cast<int>(rows.size());
    const int expectedSize = (side + 8) * scale;
    if (picture.width() != expectedSize || picture.height() != expectedSize) {
        return ::testing::AssertionFailure() << "picture " << picture.width() << " x "
                                             << picture.height() << ", expected " << expectedSize;
    }
    for (int py = 0; py < expectedSize; ++py) {
        for (int px = 0; px < expectedSize; ++px) {
            const int x = px / scale - 4;
            const int y = py / scale - 4;
            const bool inside = x >= 0 && y >= 0 && x < side && y < side;
            const bool dark = inside && rows[static_cast<std::size_t>(y)][x] == '1';
            const QRgb pixel = picture.pixel(px, py);
            const QRgb expected = dark ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
            if ((pixel & 0xFFFFFF) != (expected & 0xFFFFFF)) {
                return ::testing::AssertionFailure()
                       << "pixel (" << px << ", " << py << ") is " << std::hex << pixel;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

std::vector<std::string> AbcRows() {
    return Expected(kAbcSymbol);
}

// ---- Terminal output, margins and colours ----

std::vector<std::string> WithMargin(const std::vector<std::string>& rows, int margin) {
    const std::size_t width =
        (rows.empty() ? 0 : rows.front().size()) + 2 * static_cast<std::size_t>(margin);
    std::vector<std::string> padded(static_cast<std::size_t>(margin), std::string(width, '0'));
    for (const std::string& row : rows) {
        padded.push_back(std::string(static_cast<std::size_t>(margin), '0') + row +
                         std::string(static_cast<std::size_t>(margin), '0'));
    }
    padded.insert(padded.end(), static_cast<std::size_t>(margin), std::string(width, '0'));
    return padded;
}

std::vector<std::string> MatrixOf(QStringList arguments) {
    arguments << "--format"
              << "matrix";
    const CliRun run = RunCli(arguments);
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    return Lines(run.Out);
}

std::optional<std::vector<std::string>> ParseHalfBlocks(const QByteArray& text, bool inkIsDark) {
    std::vector<std::string> rows;
    const QString all = QString::fromUtf8(text);
    if (!all.endsWith(QLatin1Char('\n'))) {
        return std::nullopt;
    }
    const char ink = inkIsDark ? '1' : '0';
    const char blank = inkIsDark ? '0' : '1';
    for (const QString& line : all.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        std::string upper;
        std::string lower;
        for (const QChar c : line) {
            const bool top = c == QChar(0x2588) || c == QChar(0x2580);
            const bool bottom = c == QChar(0x2588) || c == QChar(0x2584);
            if (!top && !bottom && c != QLatin1Char(' ')) {
                return std::nullopt;
            }
            upper += top ? ink : blank;
            lower += bottom ? ink : blank;
        }
        rows.push_back(upper);
        rows.push_back(lower);
    }
    return rows;
}

std::optional<std::vector<std::string>> ParseAnsi(const QByteArray& text, bool inverted) {
    std::vector<std::string> rows;
    for (const std::string& line : Lines(text)) {
        const std::string reset = "\x1b[0m";
        if (!line.ends_with(reset)) {
            return std::nullopt;
        }
        std::string row;
        char colour = '?';
        std::size_t i = 0;
        const std::size_t end = line.size() - reset.size();
        while (i < end) {
            if (line.compare(i, 5, "\x1b[47m") == 0 || line.compare(i, 5, "\x1b[40m") == 0) {
                const bool black = line[i + 3] == '0';
                colour = black != inverted ? '1' : '0';
                i += 5;
            } else if (line.compare(i, 2, "  ") == 0 && colour != '?') {
                row += colour;
                i += 2;
            } else {
                return std::nullopt;
            }
        }
        rows.push_back(row);
    }
    return rows;
}

QImage RowsPicture(const std::vector<std::string>& rows, int scale, QRgb dark, QRgb light) {
    const int side = static_cast<int>(rows.size());
    QImage image(side * scale, side * scale, QImage::Format_RGB32);
    for (int y = 0; y < side * scale; ++y) {
        for (int x = 0; x < side * scale; ++x) {
            image.setPixel(
                x, y,
                rows[static_cast<std::size_t>(y / scale)][static_cast<std::size_t>(x / scale)] ==
                        '1'
                    ? dark
                    : light);
        }
    }
    return image;
}

::testing::AssertionResult PictureShowsRows(const QImage& picture,
                                            const std::vector<std::string>& rows, int scale,
                                            QRgb dark, QRgb light) {
    const int side = static_cast<int>(rows.size()) * scale;
    if (picture.width() != side || picture.height() != side) {
        return ::testing::AssertionFailure() << "picture " << picture.width() << " x "
                                             << picture.height() << ", expected " << side;
    }
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool isDark =
                rows[static_cast<std::size_t>(y / scale)][static_cast<std::size_t>(x / scale)] ==
                '1';
            const QRgb pixel = argb.pixel(x, y);
            const QRgb expected = isDark ? dark : light;
            if (pixel != expected && !(qAlpha(pixel) == 0 && qAlpha(expected) == 0)) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << std::hex << pixel
                       << ", expected " << expected;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

std::optional<QString> DecodeText(const QImage& picture) {
    const auto reading = ReadWithZXing(picture, SmallPicturesEnlarged());
    if (!reading) {
        return std::nullopt;
    }
    return QString::fromStdString(reading->Text);
}

std::optional<QString> ZbarText(const QImage& picture) {
    const auto text = ReadWithZBar(picture);
    if (!text) {
        return std::nullopt;
    }
    return QString::fromStdString(*text);
}

int MaskOf(const std::vector<std::string>& rows) {
    const int word = ReadFormatWords(rows).first;
    for (const char level : {'L', 'M', 'Q', 'H'}) {
        for (int mask = 0; mask < 8; ++mask) {
            if (FormatWord(LevelBits(level), mask) == word) {
                return mask;
            }
        }
    }
    return -1;
}

} // namespace ostrel::test
