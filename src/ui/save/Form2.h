#pragma once

#include <QDateTime>
#include <QDialog>
#include <QImage>

class QGroupBox;
class QLabel;
class QPushButton;

namespace ostrel::platform {
class ImageControl;
class PictureBox;
} // namespace ostrel::platform

namespace ostrel::ui {

// The save window "保存二维码": writes the symbol held by Image2 and Image1 to a file in the
// program's folder, either as the large rendition (533 x 533 pixels, "HD...") or as the small one
// (169 x 169 pixels, "BD..."). The file holds a Windows bitmap although its name ends in ".jpg".
// A successful save reports the file name and closes the window; a failed one reports the name
// and leaves the window open.
//
// Every size and position is in pixels, the window's design in twips divided by 15. The image and
// picture controls lie to the right of the client area: the user sees only the two commands.
class Form2 : public QDialog {
    Q_OBJECT

public:
    explicit Form2(QWidget* parent = nullptr);

    // Window design: client area 5205 x 2655 twips.
    static constexpr int ClientWidth = 347;
    static constexpr int ClientHeight = 177;

    // The file name of a rendition: prefix, the 14-digit time stamp yyyyMMddhhmmss (24-hour
    // clock), ".jpg".
    static QString FileName(const QString& prefix, const QDateTime& time);

    // ---- Event handlers ----
    void Form_Load();
    void Command1_Click(); // "保存高清大图": the large rendition
    void Command2_Click(); // "普清简易小图": the small rendition

    // ---- Controls ----
    QGroupBox* Frame1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    platform::ImageControl* Image2 = nullptr; // source of the large rendition, 533 x 533
    platform::ImageControl* Image1 = nullptr; // source of the small rendition, 169 x 169
    platform::PictureBox* Picture1 = nullptr; // drawing surface of the large rendition
    platform::PictureBox* Picture2 = nullptr; // drawing surface of the small rendition

private:
    void SaveRendition(const platform::ImageControl& source, platform::PictureBox& surface,
                       const QString& prefix, const QString& messageHead);
};

} // namespace ostrel::ui
