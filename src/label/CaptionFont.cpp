#include "CaptionFont.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <optional>

namespace ostrel::label {

namespace {

// The code points of UTF-8 text; nullopt when the bytes are not UTF-8 (overlong forms,
// surrogates and values past U+10FFFF included).
std::optional<std::u32string> CodePoints(std::string_view text) {
    std::u32string points;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
            return std::nullopt;
        }
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                return std::nullopt;
            }
            point = (point << 6) | (next & 0x3F);
        }
        constexpr char32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < Least[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
            return std::nullopt;
        }
        points += point;
        i += static_cast<std::size_t>(length);
    }
    return points;
}

// Metrics are read at a large size and scaled down: FreeType's 1/64 steps would round them at
// size 1.
constexpr double MeasureSize = 1000.0;

std::string CodePointName(char32_t point) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(point));
    return name;
}

} // namespace

const CaptionFont& CaptionFont::Shared() {
    static const CaptionFont font;
    return font;
}

CaptionFont::CaptionFont() {
    FcPattern* asked = FcNameParse(reinterpret_cast<const FcChar8*>(std::string(Family).c_str()));
    if (asked == nullptr) {
        m_Error = "fontconfig cannot read the font name";
        return;
    }
    FcConfigSubstitute(nullptr, asked, FcMatchPattern);
    FcDefaultSubstitute(asked);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, asked, &result);
    FcPatternDestroy(asked);
    FcChar8* file = nullptr;
    FcChar8* family = nullptr;
    FcCharSet* charset = nullptr;
    if (found == nullptr || FcPatternGetString(found, FC_FILE, 0, &file) != FcResultMatch ||
        FcPatternGetCharSet(found, FC_CHARSET, 0, &charset) != FcResultMatch) {
        if (found != nullptr) {
            FcPatternDestroy(found);
        }
        m_Error = "no font found for captions (install the Noto CJK fonts: fonts-noto-cjk)";
        return;
    }
    FcPatternGetString(found, FC_FAMILY, 0, &family);
    m_Pattern = found;
    m_Charset = charset;
    m_File = reinterpret_cast<const char*>(file);
    m_FoundFamily = family != nullptr ? reinterpret_cast<const char*>(family) : "";
    m_Face = cairo_ft_font_face_create_for_pattern(found);
    // The metrics at size 1, read through a scratch surface.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* cairo = cairo_create(surface);
    Use(cairo, MeasureSize);
    cairo_font_extents_t extents{};
    cairo_font_extents(cairo, &extents);
    m_Ascent = extents.ascent / MeasureSize;
    m_Descent = extents.descent / MeasureSize;
    cairo_destroy(cairo);
    cairo_surface_destroy(surface);
}

CaptionFont::~CaptionFont() {
    if (m_Face != nullptr) {
        cairo_font_face_destroy(m_Face);
    }
    if (m_Pattern != nullptr) {
        FcPatternDestroy(static_cast<FcPattern*>(m_Pattern));
    }
}

std::string CaptionFont::Refusal(std::string_view utf8) const {
    const std::optional<std::u32string> points = CodePoints(utf8);
    if (!points) {
        return "the caption is not UTF-8 text";
    }
    for (const char32_t point : *points) {
        if (point < 0x20 || (point >= 0x7F && point < 0xA0)) {
            return "the caption holds the control character " + CodePointName(point) +
                   " (a caption is one line)";
        }
        if (m_Charset == nullptr ||
            !FcCharSetHasChar(static_cast<const FcCharSet*>(m_Charset), point)) {
            std::string refusal = "the caption's character " + CodePointName(point);
            refusal += " is not in the font ";
            refusal += m_FoundFamily.empty() ? std::string(Family) : m_FoundFamily;
            return refusal;
        }
    }
    return {};
}

double CaptionFont::Width(const std::string& utf8) const {
    if (m_Face == nullptr || utf8.empty()) {
        return 0;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* cairo = cairo_create(surface);
    Use(cairo, MeasureSize);
    cairo_text_extents_t extents{};
    cairo_text_extents(cairo, utf8.c_str(), &extents);
    cairo_destroy(cairo);
    cairo_surface_destroy(surface);
    return extents.x_advance / MeasureSize;
}

void CaptionFont::Use(cairo_t* cairo, double size) const {
    cairo_set_font_face(cairo, m_Face);
    cairo_set_font_size(cairo, size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cairo, options);
    cairo_font_options_destroy(options);
}

} // namespace ostrel::label
