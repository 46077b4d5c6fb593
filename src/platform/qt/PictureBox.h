#pragma once

#include <QImage>
#include <QWidget>

namespace ostrel::platform {

// A picture box with persistent drawing: what is drawn on it goes into a kept image of the box's
// size, which survives repaints and can be read back, saved or copied.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    // With persistent drawing the box keeps its drawing in Image(); switching it on gives the
    // box a kept image of its current size, filled with its background colour.
    void SetAutoRedraw(bool on);
    bool AutoRedraw() const { return m_AutoRedraw; }

    // Draws picture stretched by nearest neighbour to width x height pixels with its top-left
    // corner at (x, y) pixels of the kept image, switching persistent drawing on if it is off.
    // The kept image follows the box's size first.
    void PaintPicture(const QImage& picture, int x, int y, int width, int height);

    // The kept image (32-bit RGB, the box's size); null without persistent drawing.
    const QImage& Image() const { return m_Image; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitImageToBox();

    QImage m_Image;
    bool m_AutoRedraw = false;
};

} // namespace ostrel::platform
