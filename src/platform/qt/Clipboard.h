#pragma once

#include <QImage>

namespace ostrel::platform {

// The system clipboard.
class Clipboard {
public:
    // Empties the clipboard, then puts the bitmap on it as its only content.
    static void SetBitmap(const QImage& bitmap);
};

} // namespace ostrel::platform
