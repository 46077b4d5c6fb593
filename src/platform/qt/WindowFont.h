#pragma once

#include <QFont>

namespace ostrel::platform {

// The font of the program's windows: Tahoma 8.25 points where it is installed, else the system's
// sans-serif at the same size. Characters the font lacks (the Chinese captions) come from the
// system's fallback fonts.
class WindowFont {
public:
    static constexpr double PointSize = 8.25;

    static QFont Get();
};

} // namespace ostrel::platform
