#include "ImageControl.h"

#include "mdlTilvane.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <cmath>

namespace ostrel::platform {

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ImageControl::SetPicture(const QImage& picture) {
    m_Picture = picture;
    m_Shown = QImage();
    update();
}

void ImageControl::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    // The skin may give the empty control a background and a border; the picture covers both.
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    if (m_Picture.isNull() || width() < 1 || height() < 1) {
        return;
    }
    // Stretch to whole device pixels ourselves: the painter would otherwise scale a second time
    // on high-density screens and could blur the module edges.
    const qreal ratio = devicePixelRatioF();
    const auto deviceWidth = static_cast<std::int32_t>(std::lround(width() * ratio));
    const auto deviceHeight = static_cast<std::int32_t>(std::lround(height() * ratio));
    if (m_Shown.isNull() || m_Shown.width() != deviceWidth || m_Shown.height() != deviceHeight) {
        m_Shown = mdlTilvane::StretchPicture(m_Picture, deviceWidth, deviceHeight);
        m_Shown.setDevicePixelRatio(ratio);
    }
    if (m_Shown.isNull()) {
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QPointF(0, 0), m_Shown);
}

} // namespace ostrel::platform
