#include "CliOutput.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#ifdef __linux__
#include <fcntl.h>
#include <unistd.h>
#endif

namespace ostrel::cli {

namespace {

// The name of the temporary file for a file name: hidden, and unique to this process and call.
std::string TemporaryName(const std::string& fileName, std::uint64_t serial) {
    std::string name = ".";
    name += fileName;
    name += ".part";
    name += std::to_string(QCoreApplication::applicationPid());
    name += '-';
    name += std::to_string(serial);
    return name;
}

#ifdef __linux__
// Writes data into an unnamed file in path's folder (O_TMPFILE) and gives it its name only when
// it is complete: cheaper than a named temporary file and a rename, and nothing is left behind
// if the program dies. An existing file is replaced through a temporary name and a rename.
// Returns nullopt when the system cannot do this (no O_TMPFILE, no /proc), so that the caller
// takes the portable way.
std::optional<std::string> WriteUnnamedFile(const std::string& path, const QByteArray& data,
                                            std::uint64_t serial, int& reason) {
    const auto slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    const int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        return std::nullopt;
    }
    const char* next = data.constData();
    auto left = static_cast<std::size_t>(data.size());
    while (left > 0) {
        const ssize_t done = write(fd, next, left);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            reason = done < 0 ? errno : EIO;
            close(fd);
            return "cannot write '" + path + "': " + std::strerror(reason);
        }
        next += done;
        left -= static_cast<std::size_t>(done);
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    std::optional<std::string> result;
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        result = std::string();
    } else if (errno == EEXIST) {
        std::string temporary = folder;
        temporary += TemporaryName(path.substr(slash + 1), serial);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            if (rename(temporary.c_str(), path.c_str()) == 0) {
                result = std::string();
            } else {
                reason = errno;
                unlink(temporary.c_str());
                result = "cannot write '" + path + "': " +
                         (reason == EISDIR ? std::string("it is a folder") : std::strerror(reason));
            }
        }
    }
    close(fd);
    return result;
}
#endif

#ifdef OSTREL_VERIFY_FAULTS
// Only in the tool built for the tests: a disk that fills up. With OSTREL_DISK_FULL_AFTER=n in
// the environment, the files after the first n written through WriteWholeFile are refused with
// ENOSPC, or with the error OSTREL_DISK_ERROR names (EROFS, EDQUOT). Returns that error, 0 for
// a file the disk still takes.
int DiskRefusesForTests() {
    static const char* after = std::getenv("OSTREL_DISK_FULL_AFTER");
    static std::atomic<long long> written{0};
    if (after == nullptr || *after == '\0' || written++ < std::atoll(after)) {
        return 0;
    }
    const char* kind = std::getenv("OSTREL_DISK_ERROR");
    const std::string name = kind == nullptr ? "" : kind;
    return name == "EROFS" ? EROFS : name == "EDQUOT" ? EDQUOT : ENOSPC;
}
#endif

// Module (x, y) of the symbol seen with a margin: x and y count from the margin's corner.
bool Dark(const clsQRCode::Symbol& symbol, std::int32_t margin, std::int32_t x, std::int32_t y) {
    return symbol.At(x - margin, y - margin) != 0;
}

QByteArray HexColour(Colour colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.Red, colour.Green, colour.Blue);
    return QByteArray(text, 7);
}

// The fill of an SVG shape: the colour and, when it is not opaque, its opacity.
QByteArray Fill(Colour colour) {
    QByteArray fill = "fill=\"" + HexColour(colour) + "\"";
    if (colour.Alpha != 255) {
        fill += " fill-opacity=\"" + QByteArray::number(colour.Alpha / 255.0, 'g', 3) + "\"";
    }
    return fill;
}

// Relative luminance (WCAG 2) of a colour laid over white.
double Luminance(Colour colour) {
    const double alpha = colour.Alpha / 255.0;
    auto linear = [alpha](std::uint8_t channel) {
        const double value = (channel / 255.0) * alpha + (1.0 - alpha);
        return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.Red) + 0.7152 * linear(colour.Green) +
           0.0722 * linear(colour.Blue);
}

} // namespace

QByteArray MatrixText(const clsQRCode::Symbol& symbol, std::int32_t margin) {
    const std::int32_t side = symbol.Side + 2 * margin;
    QByteArray text;
    text.reserve(static_cast<qsizetype>(side) * (side + 1));
    for (std::int32_t y = 0; y < side; ++y) {
        for (std::int32_t x = 0; x < side; ++x) {
            text.append(Dark(symbol, margin, x, y) ? '1' : '0');
        }
        text.append('\n');
    }
    return text;
}

QByteArray Utf8Text(const clsQRCode::Symbol& symbol, std::int32_t margin, bool invert) {
    static constexpr const char* Full = "\u2588";  // both rows inked
    static constexpr const char* Upper = "\u2580"; // the upper row only
    static constexpr const char* Lower = "\u2584"; // the lower row only
    const std::int32_t side = symbol.Side + 2 * margin;
    // Ink for light modules on a dark terminal, for dark ones with invert.
    auto ink = [&](std::int32_t x, std::int32_t y) {
        return y < side && Dark(symbol, margin, x, y) == invert;
    };
    QByteArray text;
    text.reserve(static_cast<qsizetype>(side) * (side + 1) * 2);
    for (std::int32_t y = 0; y < side; y += 2) {
        for (std::int32_t x = 0; x < side; ++x) {
            const bool upper = ink(x, y);
            const bool lower = ink(x, y + 1);
            text.append(upper && lower ? Full : upper ? Upper : lower ? Lower : " ");
        }
        text.append('\n');
    }
    return text;
}

QByteArray AnsiText(const clsQRCode::Symbol& symbol, std::int32_t margin, bool invert) {
    static constexpr const char* WhiteBackground = "\x1b[47m";
    static constexpr const char* BlackBackground = "\x1b[40m";
    static constexpr const char* Reset = "\x1b[0m";
    const std::int32_t side = symbol.Side + 2 * margin;
    QByteArray text;
    for (std::int32_t y = 0; y < side; ++y) {
        int current = -1; // the colour in force: 0 white, 1 black
        for (std::int32_t x = 0; x < side; ++x) {
            const int black = Dark(symbol, margin, x, y) != invert ? 1 : 0;
            if (black != current) {
                text.append(black != 0 ? BlackBackground : WhiteBackground);
                current = black;
            }
            text.append("  ");
        }
        text.append(Reset);
        text.append('\n');
    }
    return text;
}

QByteArray SvgText(const clsQRCode::Symbol& symbol, std::int32_t scale, std::int32_t margin,
                   Colour dark, Colour light) {
    const std::int32_t side = symbol.Side + 2 * margin;
    const QByteArray units = QByteArray::number(side);
    const QByteArray pixels = QByteArray::number(static_cast<qint64>(side) * scale);
    QByteArray svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + pixels +
           "\" height=\"" + pixels + "\" viewBox=\"0 0 " + units + " " + units +
           "\" shape-rendering=\"crispEdges\">\n";
    svg += "<rect width=\"" + units + "\" height=\"" + units + "\" " + Fill(light) + "/>\n";
    // Qt SVG refuses a path of more than 32767 elements (five per run here), and the largest
    // symbols have some 8000 runs: a new path every RunsPerPath runs keeps every renderer drawing.
    constexpr int RunsPerPath = 4096;
    int runs = 0;
    svg += "<path " + Fill(dark) + " d=\"";
    // One closed rectangle per horizontal run of dark modules.
    for (std::int32_t y = 0; y < symbol.Side; ++y) {
        std::int32_t x = 0;
        while (x < symbol.Side) {
            if (symbol.At(x, y) == 0) {
                ++x;
                continue;
            }
            const std::int32_t start = x;
            while (x < symbol.Side && symbol.At(x, y) != 0) {
                ++x;
            }
            const QByteArray run = QByteArray::number(x - start);
            if (runs++ == RunsPerPath) {
                svg += "\"/>\n<path " + Fill(dark) + " d=\"";
                runs = 1;
            }
            svg += "M" + QByteArray::number(start + margin) + " " + QByteArray::number(y + margin) +
                   "h" + run + "v1h-" + run + "z";
        }
    }
    svg += "\"/>\n</svg>\n";
    return svg;
}

QImage SymbolPicture(const clsQRCode::Symbol& symbol, std::int32_t scale, std::int32_t margin) {
    const std::int64_t modules =
        static_cast<std::int64_t>(symbol.Side) + 2 * static_cast<std::int64_t>(margin);
    const std::int64_t pixels = modules * scale;
    if (scale < 1 || margin < 0 || pixels <= 0 || pixels > 0x7FFFFFFF) {
        return {};
    }
    QImage picture(static_cast<int>(pixels), static_cast<int>(pixels), QImage::Format_Mono);
    if (picture.isNull()) {
        return {};
    }
    picture.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    picture.fill(0);
    // Build the first pixel row of each module row, then copy it to the other scale - 1 rows.
    const auto rowBytes = static_cast<std::size_t>(picture.bytesPerLine());
    for (std::int32_t my = 0; my < modules; ++my) {
        const int top = my * scale;
        for (std::int32_t mx = 0; mx < modules; ++mx) {
            if (!Dark(symbol, margin, mx, my)) {
                continue;
            }
            for (int x = mx * scale; x < (mx + 1) * scale; ++x) {
                picture.setPixel(x, top, 1);
            }
        }
        for (int y = top + 1; y < top + scale; ++y) {
            std::memcpy(picture.scanLine(y), picture.constScanLine(top), rowBytes);
        }
    }
    return picture;
}

QByteArray BmpFile(const QImage& picture) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (picture.isNull() || !writer.write(picture)) {
        return {};
    }
    return data;
}

QByteArray SymbolOutput(const clsQRCode::Symbol& symbol, const CliOptions& options,
                        PngWriter& png) {
    const std::int32_t margin = options.EffectiveMargin();
    const Colour dark = options.Foreground.value_or(Black);
    const Colour light = options.Background.value_or(White);
    switch (options.EffectiveFormat()) {
    case OutputFormat::Matrix:
        return MatrixText(symbol, margin);
    case OutputFormat::Utf8:
        return Utf8Text(symbol, margin, options.Invert);
    case OutputFormat::Ansi:
        return AnsiText(symbol, margin, options.Invert);
    case OutputFormat::Svg:
        return SvgText(symbol, options.Scale, margin, dark, light);
    case OutputFormat::Png:
        return png.Write(symbol, options.Scale, margin, dark, light);
    case OutputFormat::Bmp:
        return BmpFile(SymbolPicture(symbol, options.Scale, margin));
    }
    return {};
}

double ContrastRatio(Colour first, Colour second) {
    const double a = Luminance(first);
    const double b = Luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

std::string ColourWarning(const CliOptions& options) {
    if (!options.Foreground && !options.Background) {
        return {};
    }
    const Colour dark = options.Foreground.value_or(Black);
    const Colour light = options.Background.value_or(White);
    const double ratio = ContrastRatio(dark, light);
    std::string warning;
    if (ratio < 3.0) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "the contrast between foreground and background is %.2f:1, under 3:1; "
                      "readers may fail to read the symbol",
                      ratio);
        warning = text;
    }
    if (Luminance(dark) > Luminance(light)) {
        warning += std::string(warning.empty() ? "" : "; ") +
                   "the foreground is lighter than the background, and many readers expect dark "
                   "modules on a light ground";
    }
    return warning;
}

std::string DoesNotFit(const std::string& amount, const CliOptions& options) {
    const std::string level(LevelName(options.Level));
    if (options.Version > 0) {
        return "the data does not fit in a version " + std::to_string(options.Version) +
               " symbol at level " + level + " (" + amount + ")";
    }
    return "the data does not fit in any QR Code symbol at level " + level + " (" + amount +
           "; version 40 is the largest)";
}

std::string WriteWholeFile(const std::string& path, const QByteArray& data, int* reasonOut) {
    namespace fs = std::filesystem;
    static std::atomic<std::uint64_t> counter{0};
    const std::uint64_t serial = ++counter;
    int ignoredReason = 0;
    int& reason = reasonOut != nullptr ? *reasonOut : ignoredReason;
    reason = 0;
#ifdef OSTREL_VERIFY_FAULTS
    if (const int refused = DiskRefusesForTests(); refused != 0) {
        reason = refused;
        return "cannot write '" + path + "': " + std::strerror(refused);
    }
#endif
#ifdef __linux__
    if (auto result = WriteUnnamedFile(path, data, serial, reason)) {
        return *result;
    }
#endif
    const fs::path target(
        std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
    fs::path temporary = target;
    temporary.replace_filename(TemporaryName(target.filename().string(), serial));
    std::error_code error;
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) {
            reason = errno;
            return "cannot write '" + path + "': " + std::strerror(reason);
        }
        file.write(data.constData(), static_cast<std::streamsize>(data.size()));
        file.close();
        if (!file) {
            reason = errno;
            fs::remove(temporary, error);
            return "cannot write '" + path + "': " + std::strerror(reason);
        }
    }
    fs::rename(temporary, target, error);
    if (error) {
        reason = error.value();
        std::error_code ignored;
        fs::remove(temporary, ignored);
        if (fs::is_directory(target, ignored)) {
            return "cannot write '" + path + "': it is a folder";
        }
        return "cannot write '" + path + "': " + error.message();
    }
    return {};
}

std::string WriteOutput(const std::optional<std::string>& path, const QByteArray& data) {
    if (!path || *path == "-") {
        if (std::fwrite(data.constData(), 1, static_cast<std::size_t>(data.size()), stdout) !=
                static_cast<std::size_t>(data.size()) ||
            std::fflush(stdout) != 0) {
            return std::string("cannot write to standard output: ") + std::strerror(errno);
        }
        return {};
    }
    const QString name = QString::fromStdString(*path);
    const QFileInfo info(name);
    if (info.exists() && info.isDir()) {
        return "cannot write '" + *path + "': it is a folder";
    }
    if (info.exists() && !info.isFile()) {
        // A device or a pipe (/dev/stdout, a FIFO): nothing to replace, so write straight to it.
        QFile device(name);
        if (!device.open(QIODevice::WriteOnly) || device.write(data) != data.size() ||
            !device.flush()) {
            return "cannot write '" + *path + "': " + device.errorString().toStdString();
        }
        return {};
    }
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) {
        return "cannot write '" + *path + "': " + file.errorString().toStdString();
    }
    if (file.write(data) != data.size()) {
        const std::string reason = file.errorString().toStdString();
        file.cancelWriting();
        return "cannot write '" + *path + "': " + reason;
    }
    if (!file.commit()) {
        return "cannot write '" + *path + "': " + file.errorString().toStdString();
    }
    return {};
}

} // namespace ostrel::cli
