#include "SkinH.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPalette>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace ostrel::platform {

namespace {

std::optional<QPalette>& BasePalette() {
    static std::optional<QPalette> palette;
    return palette;
}

std::int32_t ShiftChannel(std::int32_t value, std::int32_t percent) {
    const std::int32_t shifted = value + std::clamp(percent, -100, 100) * 255 / 100;
    return std::clamp(shifted, 0, 255);
}

} // namespace

std::int32_t SkinH_AttachEx(const QString& skinFile, const QString& password) {
    Q_UNUSED(password);
    auto* const application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application == nullptr) {
        return SkinNoApplication;
    }
    // only a regular file: opening a named pipe waits for a writer, perhaps for ever, and a
    // device never ends
    if (!QFileInfo(skinFile).isFile()) {
        return SkinFileUnreadable;
    }
    QFile file(skinFile);
    if (!file.open(QIODevice::ReadOnly)) {
        return SkinFileUnreadable;
    }
    if (file.size() > MaxSkinFileSize) {
        return SkinFileTooLarge;
    }
    // read one byte more than allowed, so that a file that grows while we read is refused too
    const QByteArray content = file.read(MaxSkinFileSize + 1);
    if (content.size() > MaxSkinFileSize) {
        return SkinFileTooLarge;
    }
    if (content.isEmpty() || content.contains('\0')) {
        return SkinFileNotText;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString sheet = decoder.decode(content);
    if (decoder.hasError() || sheet.trimmed().isEmpty()) {
        return SkinFileNotText;
    }
    application->setStyleSheet(sheet);
    return SkinOk;
}

QColor ShiftHsv(const QColor& color, std::int32_t hue, std::int32_t saturation,
                std::int32_t brightness) {
    const QColor hsv = color.toHsv();
    std::int32_t h = hsv.hsvHue();
    if (h >= 0) {
        h = ((h + hue) % 360 + 360) % 360;
    }
    QColor shifted = QColor::fromHsv(h, ShiftChannel(hsv.hsvSaturation(), saturation),
                                     ShiftChannel(hsv.value(), brightness), hsv.alpha());
    return shifted.toRgb();
}

std::int32_t SkinH_AdjustHSV(std::int32_t hue, std::int32_t saturation, std::int32_t brightness) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return SkinNoApplication;
    }
    std::optional<QPalette>& base = BasePalette();
    if (!base) {
        base = QApplication::palette();
    }
    QPalette palette = *base;
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        const auto colorGroup = static_cast<QPalette::ColorGroup>(group);
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto colorRole = static_cast<QPalette::ColorRole>(role);
            if (colorRole == QPalette::NoRole) {
                continue;
            }
            palette.setColor(
                colorGroup, colorRole,
                ShiftHsv(base->color(colorGroup, colorRole), hue, saturation, brightness));
        }
    }
    QApplication::setPalette(palette);
    return SkinOk;
}

} // namespace ostrel::platform
