#pragma once

#include <QImage>

#include <cstdint>

// Picture output: module matrices become pictures, and pictures are stretched for display,
// clipboard and files. A picture is a QImage (implicitly shared, so reference-counted); a null
// image is the empty picture ("handle 0").
namespace ostrel::mdlTilvane {

// Draws a width x height block of bytes (row after row, top row first, x fastest; width a
// multiple of 4) one pixel per byte onto a white picture of (left + width + right) x
// (top + height + bottom) pixels, the block's top-left pixel at (left, top). The picture is 8-bit
// indexed: byte 0 white, 1 black, 2 grey 0x808080, 3..255 black. A null matrix, a size or a
// margin that is negative, or a picture that cannot be allocated gives a null image.
QImage MatrixToPicture(const std::uint8_t* matrix, std::int32_t width, std::int32_t height,
                       std::int32_t leftMargin, std::int32_t topMargin, std::int32_t rightMargin,
                       std::int32_t bottomMargin);

// Wraps a bitmap as a picture: a null bitmap gives the empty picture. QImage shares its data
// by reference counting, so the picture always owns its bitmap; own is kept for the callers'
// sake and has no further effect.
QImage BitmapToPicture(const QImage& bitmap, bool own);

// The picture stretched to width x height pixels by nearest neighbour, so that every module stays
// a block of whole, crisp pixels (neighbouring modules may differ by one pixel). The result is
// 32-bit RGB. A null picture or a size below 1 gives a null image.
QImage StretchPicture(const QImage& picture, std::int32_t width, std::int32_t height);

} // namespace ostrel::mdlTilvane
