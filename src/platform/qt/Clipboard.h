#pragma once

#include <QImage>

namespace ostrel::platform {

// The system clipboard.
class Clipboard {
public:
    // Empties the clipboard, then puts the bitmap on it as its only content. False when the
    // clipboard does not hold the bitmap afterwards: there is none, another program holds it, or
    // it is locked.
    static bool SetBitmap(const QImage& bitmap);

    // A locked clipboard takes nothing and keeps its content, as a clipboard that another program
    // holds open does. Tests lock it to see the program cope.
    static void SetLocked(bool locked);
};

} // namespace ostrel::platform
