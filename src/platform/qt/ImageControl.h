#pragma once

#include <QImage>
#include <QWidget>

namespace ostrel::platform {

// An image control that stretches its picture to fill its own box by nearest neighbour, so that
// a symbol's modules stay crisp blocks at any size and any device pixel ratio. Assigning a
// picture never changes the control's size. A null picture shows nothing.
class ImageControl : public QWidget {
    Q_OBJECT

public:
    explicit ImageControl(QWidget* parent = nullptr);

    // The picture is shared with the caller (QImage is reference-counted), not copied.
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return m_Picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_Picture;
    QImage m_Shown; // m_Picture stretched to the device pixels of the last paint
};

} // namespace ostrel::platform
