#include "PictureBox.h"

#include "mdlTilvane.h"

#include <QPainter>

namespace ostrel::platform {

namespace {
// The background of a new picture box: the system's button face.
constexpr QRgb BackColor = qRgb(0xF0, 0xF0, 0xF0);
} // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::SetAutoRedraw(bool on) {
    m_AutoRedraw = on;
    if (on) {
        FitImageToBox();
    } else {
        m_Image = QImage();
    }
    update();
}

void PictureBox::FitImageToBox() {
    if (!m_AutoRedraw) {
        return;
    }
    if (!m_Image.isNull() && m_Image.size() == size()) {
        return;
    }
    QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(BackColor);
    if (!m_Image.isNull()) {
        // growing keeps the drawing so far, as the kept bitmap of a resized box does
        QPainter painter(&image);
        painter.drawImage(0, 0, m_Image);
    }
    m_Image = image;
}

void PictureBox::PaintPicture(const QImage& picture, int x, int y, int width, int height) {
    if (!m_AutoRedraw) {
        SetAutoRedraw(true);
    }
    FitImageToBox();
    const QImage stretched = mdlTilvane::StretchPicture(picture, width, height);
    if (stretched.isNull()) {
        return;
    }
    QPainter painter(&m_Image);
    painter.drawImage(x, y, stretched);
    painter.end();
    update();
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FitImageToBox();
}

void PictureBox::paintEvent(QPaintEvent* /*event*/) {
    if (m_Image.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, m_Image);
}

} // namespace ostrel::platform
