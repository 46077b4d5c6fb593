#pragma once

#include "Colour.h"
#include "ModuleRects.h"

#include <cairo.h>

#include <string>

namespace ostrel::label {

// A PDF or EPS document drawn with cairo into memory: fonts embedded as subsets with their text
// kept (pdftotext finds it), shapes as vectors. Reproducible: the creation date is
// SOURCE_DATE_EPOCH's when that is set, else a fixed one, never the clock's.
class CairoDocument {
public:
    enum class Kind { Pdf, Eps };

    // The first page, width x height points (an EPS has this one page only).
    CairoDocument(Kind kind, double width, double height);
    ~CairoDocument();
    CairoDocument(const CairoDocument&) = delete;
    CairoDocument& operator=(const CairoDocument&) = delete;

    cairo_t* Context() const { return m_Cairo; }
    // Ends the page and starts another of the same size (PDF).
    void NextPage();
    // Ends the document: its bytes, or empty when cairo failed (memory, a font it cannot embed).
    std::string Finish();

    // The creation date as ISO 8601 (what cairo's PDF metadata takes) and as PostScript's DSC
    // comment writes it.
    static std::string CreationDate();

    // Fills the rectangles (module units) at (x, y) with modules of side module points, as one
    // path, in colour; and a rectangle of the ground.
    static void FillRects(cairo_t* cairo, const render::ModuleRects& rects, double x, double y,
                          double module, render::Colour colour);
    static void FillBox(cairo_t* cairo, double x, double y, double width, double height,
                        render::Colour colour);

private:
    static cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length);

    Kind m_Kind;
    std::string m_Bytes;
    cairo_surface_t* m_Surface = nullptr;
    cairo_t* m_Cairo = nullptr;
};

} // namespace ostrel::label
