#include "WindowFont.h"

#include <QFontDatabase>

namespace ostrel::platform {

QFont WindowFont::Get() {
    const QString tahoma = QStringLiteral("Tahoma");
    QFont font = QFontDatabase::hasFamily(tahoma)
                     ? QFont(tahoma)
                     : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (!QFontDatabase::hasFamily(tahoma)) {
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSizeF(PointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

} // namespace ostrel::platform
