#pragma once

#include <QByteArray>
#include <QSize>

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel::cli {

// A logo file (PNG, JPEG, SVG) read with Qt's image readers: checked when opened (missing,
// unreadable, empty, not a picture, too large), drawn at any size on request.
class LogoPicture {
public:
    // Raster pictures up to this many pixels a side; a larger one is refused before it is
    // decoded. SVG pictures are drawn at the size asked, whatever they say.
    static constexpr std::int32_t MaxSide = 8000;
    // Files up to this many bytes.
    static constexpr qint64 MaxFileBytes = 64LL * 1024 * 1024;

    // Reads the file and its picture's header; Error() says why it cannot be used. For an SVG
    // picture, makes the GUI application its text needs when there is none: the first call for
    // a logo must come from the main thread.
    static LogoPicture Open(const std::string& path);

    const std::string& Error() const { return m_Error; }
    bool IsSvg() const { return m_Format == "svg"; }
    // An SVG picture's text.
    std::string SvgText() const { return IsSvg() ? m_Bytes.toStdString() : std::string(); }

    // The picture fitted into a square of pixels x pixels (its proportions kept, centred, the
    // rest transparent), smoothly scaled, as RGBA with straight alpha; empty with error set
    // when it cannot be decoded.
    std::vector<std::uint8_t> Rgba(std::int32_t pixels, std::string& error) const;

private:
    std::string m_Path;
    QByteArray m_Bytes;
    QByteArray m_Format;
    QSize m_Size;
    std::string m_Error;
};

} // namespace ostrel::cli
