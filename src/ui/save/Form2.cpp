#include "Form2.h"

#include "Dialogs.h"
#include "ImageControl.h"
#include "PictureBox.h"
#include "ProgramEnvironment.h"
#include "WindowFont.h"

#include <QDir>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>

namespace ostrel::ui {

namespace {

const QString MessageTitle = QStringLiteral("Ostrel系列软件");

// Writes the image as a BMP file. The bitmap goes to a temporary file next to the target that
// replaces the target only when it is complete, so a failed write leaves no partial file behind
// and an older file of the same name intact.
bool WriteBitmap(const QImage& image, const QString& path) {
    if (image.isNull()) {
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (!image.save(&file, "BMP")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

Form2::Form2(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("保存二维码"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(platform::WindowFont::Get());
    setFixedSize(ClientWidth, ClientHeight);
    setModal(true);

    // Stacking: the images and picture boxes first, off to the right where nobody sees them.
    Image2 = new platform::ImageControl(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(592, 152, 533, 533);
    Image1 = new platform::ImageControl(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(704, 88, 169, 169);
    Picture1 = new platform::PictureBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(624, 208, 164, 164);
    Picture2 = new platform::PictureBox(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(504, 224, 164, 164);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(16, 24, 313, 129);

    Command1 = new QPushButton(QStringLiteral("保存高清大图"), Frame1);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(32, 32, 113, 41);
    Command1->setAutoDefault(false);
    Command2 = new QPushButton(QStringLiteral("普清简易小图"), Frame1);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(168, 32, 113, 41);
    Command2->setAutoDefault(false);
    Label1 = new QLabel(QStringLiteral("文件占用空间较大"), Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(40, 88, 96, 12);
    Label2 = new QLabel(QStringLiteral("文件占用空间较小"), Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(176, 88, 96, 12);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    Form_Load();
}

void Form2::Form_Load() {
    setWindowIcon(QIcon());
}

QString Form2::FileName(const QString& prefix, const QDateTime& time) {
    return prefix + time.toString(QStringLiteral("yyyyMMddhhmmss")) + QStringLiteral(".jpg");
}

void Form2::Command1_Click() {
    SaveRendition(*Image2, *Picture1, QStringLiteral("HD"),
                  QStringLiteral("高清二维码图片已保存在当前目录下!名称:"));
}

void Form2::Command2_Click() {
    SaveRendition(*Image1, *Picture2, QStringLiteral("BD"),
                  QStringLiteral("普清二维码图片已保存在当前目录下!名称:"));
}

void Form2::SaveRendition(const platform::ImageControl& source, platform::PictureBox& surface,
                          const QString& prefix, const QString& messageHead) {
    const QString name = FileName(prefix, QDateTime::currentDateTime());

    // The surface takes the source control's size and the symbol stretched over all of it,
    // quiet zone included, every module a block of whole pixels.
    surface.SetAutoRedraw(true);
    surface.resize(source.width(), source.height());
    surface.PaintPicture(source.Picture(), 0, 0, source.width(), source.height());

    const auto& environment = platform::ProgramEnvironment::Current();
    const QString folder = environment.SaveFolder();
    const QString path = QDir(folder).filePath(name);
    // Outside the program's folder the message gives the whole path, so the file can be found.
    const QString shown =
        folder == environment.ProgramFolder() ? name : QDir::toNativeSeparators(path);
    if (!WriteBitmap(surface.Image(), path)) {
        platform::Dialogs::Current().MsgBox(this, QStringLiteral("保存失败,无法写入文件:") + shown,
                                            QMessageBox::Information, QMessageBox::Ok,
                                            MessageTitle);
        return;
    }
    platform::Dialogs::Current().MsgBox(this, messageHead + shown, QMessageBox::Information,
                                        QMessageBox::Ok, MessageTitle);
    accept();
}

} // namespace ostrel::ui
