#include "CairoDocument.h"

#include <cairo-pdf.h>
#include <cairo-ps.h>

#include <cstdlib>
#include <ctime>

namespace ostrel::label {

namespace {

// The date documents state without SOURCE_DATE_EPOCH.
constexpr std::time_t FixedDate = 946684800; // 2000-01-01 00:00:00 UTC

std::tm DocumentTime() {
    std::time_t when = FixedDate;
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != 0) {
        char* end = nullptr;
        const long long seconds = std::strtoll(epoch, &end, 10);
        if (*end == 0 && seconds >= 0) {
            when = static_cast<std::time_t>(seconds);
        }
    }
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &when);
#else
    gmtime_r(&when, &parts);
#endif
    return parts;
}

void SetColour(cairo_t* cairo, render::Colour colour) {
    cairo_set_source_rgba(cairo, colour.Red / 255.0, colour.Green / 255.0, colour.Blue / 255.0,
                          colour.Alpha / 255.0);
}

} // namespace

CairoDocument::CairoDocument(Kind kind, double width, double height) : m_Kind(kind) {
    if (kind == Kind::Pdf) {
        m_Surface = cairo_pdf_surface_create_for_stream(Append, this, width, height);
        cairo_pdf_surface_set_metadata(m_Surface, CAIRO_PDF_METADATA_CREATE_DATE,
                                       CreationDate().c_str());
        cairo_pdf_surface_set_metadata(m_Surface, CAIRO_PDF_METADATA_CREATOR, "Ostrel QR");
    } else {
        m_Surface = cairo_ps_surface_create_for_stream(Append, this, width, height);
        cairo_ps_surface_set_eps(m_Surface, 1);
    }
    m_Cairo = cairo_create(m_Surface);
}

CairoDocument::~CairoDocument() {
    if (m_Cairo != nullptr) {
        cairo_destroy(m_Cairo);
    }
    if (m_Surface != nullptr) {
        cairo_surface_destroy(m_Surface);
    }
}

void CairoDocument::NextPage() {
    cairo_show_page(m_Cairo);
}

std::string CairoDocument::Finish() {
    cairo_destroy(m_Cairo);
    m_Cairo = nullptr;
    cairo_surface_finish(m_Surface);
    const bool failed = cairo_surface_status(m_Surface) != CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(m_Surface);
    m_Surface = nullptr;
    if (failed) {
        return {};
    }
    if (m_Kind == Kind::Eps) {
        // cairo writes the clock's time in the DSC header: the document's date instead.
        const std::string key = "%%CreationDate: ";
        const std::size_t at = m_Bytes.find(key);
        const std::size_t end = at == std::string::npos ? at : m_Bytes.find('\n', at);
        if (end != std::string::npos) {
            const std::tm parts = DocumentTime();
            char date[40];
            std::strftime(date, sizeof date, "%a %b %e %H:%M:%S %Y", &parts);
            m_Bytes.replace(at + key.size(), end - at - key.size(), date);
        }
    }
    return std::move(m_Bytes);
}

std::string CairoDocument::CreationDate() {
    const std::tm parts = DocumentTime();
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return date;
}

void CairoDocument::FillRects(cairo_t* cairo, const render::ModuleRects& rects, double x, double y,
                              double module, render::Colour colour) {
    for (const render::ModuleRects::Rect& rect : rects.Rects()) {
        cairo_rectangle(cairo, x + rect.X * module, y + rect.Y * module, rect.Width * module,
                        rect.Height * module);
    }
    SetColour(cairo, colour);
    cairo_fill(cairo);
}

void CairoDocument::FillBox(cairo_t* cairo, double x, double y, double width, double height,
                            render::Colour colour) {
    if (colour.Alpha == 0) {
        return;
    }
    cairo_rectangle(cairo, x, y, width, height);
    SetColour(cairo, colour);
    cairo_fill(cairo);
}

cairo_status_t CairoDocument::Append(void* closure, const unsigned char* data,
                                     unsigned int length) {
    static_cast<CairoDocument*>(closure)->m_Bytes.append(reinterpret_cast<const char*>(data),
                                                         length);
    return CAIRO_STATUS_SUCCESS;
}

} // namespace ostrel::label
