#pragma once

#include <QColor>
#include <QString>

#include <cstdint>

// Window skinning in the manner of the SkinH library: a skin file attached once at start-up gives
// every window of the program its look, and a colour shift tints it. Here the skin file is a Qt
// style sheet in UTF-8, applied to the whole application, and the shift turns the hue of the
// application palette. Failures are returned, never shown: a program that cannot be skinned keeps
// the platform's own look.
namespace ostrel::platform {

// Results of the two calls.
inline constexpr std::int32_t SkinOk = 0;
inline constexpr std::int32_t SkinFileUnreadable = 1;
inline constexpr std::int32_t SkinFileTooLarge = 2;
inline constexpr std::int32_t SkinFileNotText = 3;
inline constexpr std::int32_t SkinNoApplication = 4;

// Skin files above this size are refused without being read.
inline constexpr std::int64_t MaxSkinFileSize = std::int64_t{1024} * 1024;

// Loads the skin file and applies it to all windows of the program. The second argument is the
// skin's password, which plain style sheets do not need. A path that is no regular file (a folder,
// a device, a named pipe) and an empty, oversized, binary or non-UTF-8 file are refused and the
// current look stays.
std::int32_t SkinH_AttachEx(const QString& skinFile, const QString& password);

// Shifts the colours of the application palette: hue in degrees (-360..360), saturation and
// brightness in percent (-100..100) of their full range. Each call starts again from the palette
// the application had before the first call, so the shifts do not add up.
std::int32_t SkinH_AdjustHSV(std::int32_t hue, std::int32_t saturation, std::int32_t brightness);

// One colour shifted as SkinH_AdjustHSV shifts the palette; colours without a hue (white, greys,
// black) keep their hue, and alpha is kept.
QColor ShiftHsv(const QColor& color, std::int32_t hue, std::int32_t saturation,
                std::int32_t brightness);

} // namespace ostrel::platform
