#pragma once

#include <cairo.h>

#include <string>
#include <string_view>

namespace ostrel::label {

// The font captions are written in: Noto Sans CJK SC (Simplified Chinese, Latin and digits in one
// face), found through fontconfig as any program on the system finds it. Metrics are unhinted, so
// that a caption's width grows exactly with its size and is the same in pictures and drawings.
//
// Made once per process and read-only after that: cairo locks the face while it reads glyphs, so
// every thread of a batch may draw with it.
class CaptionFont {
public:
    // The family asked of fontconfig; drawings name it for viewers that have it.
    static constexpr std::string_view Family = "Noto Sans CJK SC";

    static const CaptionFont& Shared();

    CaptionFont(const CaptionFont&) = delete;
    CaptionFont& operator=(const CaptionFont&) = delete;
    ~CaptionFont();

    // Why captions cannot be drawn (no font found at all); empty when they can.
    const std::string& Error() const { return m_Error; }
    // The font file fontconfig chose and the family it holds.
    const std::string& File() const { return m_File; }
    const std::string& FoundFamily() const { return m_FoundFamily; }

    // Why text cannot be a caption: bytes that are not UTF-8, a control character, or a character
    // the font has no glyph for ("U+1F600 is not in the font Noto Sans CJK SC"); empty when
    // every character can be drawn.
    std::string Refusal(std::string_view utf8) const;

    // The advance width of text at size 1 (a caption at size s is s times as wide), and the
    // font's ascent and descent at size 1, in the same unit as the size.
    double Width(const std::string& utf8) const;
    double Ascent() const { return m_Ascent; }
    double Descent() const { return m_Descent; }

    // Sets the font on a cairo context at size (in the context's units), unhinted.
    void Use(cairo_t* cairo, double size) const;

private:
    CaptionFont();

    cairo_font_face_t* m_Face = nullptr;
    void* m_Charset = nullptr; // the font's FcCharSet
    void* m_Pattern = nullptr; // the matched FcPattern, owner of the charset
    std::string m_File;
    std::string m_FoundFamily;
    std::string m_Error;
    double m_Ascent = 0;
    double m_Descent = 0;
};

} // namespace ostrel::label
