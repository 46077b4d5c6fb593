// The save window on its own: layout, file names, renditions, overwriting and failures.
#include "Form2.h"
#include "PeerReaders.h"
#include "ScriptedDialogs.h"
#include "TestEnvironment.h"

#include "ImageControl.h"
#include "PictureBox.h"
#include "clsQRCode.h"
#include "mdlTilvane.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace ostrel::test {
namespace {

QImage Symbol(const QByteArray& data, std::int32_t version) {
    clsQRCode encoder;
    encoder.SetKanjiMode(false);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
    return encoder.Encode(
        std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(data.size())),
        static_cast<std::int32_t>(data.size()), version, 3, 0);
}

class SaveWindowTest : public ::testing::Test {
protected:
    void Open(const QImage& picture) {
        form2 = std::make_unique<ui::Form2>();
        form2->Image2->SetPicture(picture);
        form2->Image1->SetPicture(picture);
        form2->show();
    }
    QStringList Files() const {
        return QDir(environment.ProgramFolder()).entryList(QDir::Files, QDir::Name);
    }
    QImage Load(const QString& name) const {
        return QImage(QDir(environment.ProgramFolder()).filePath(name), "BMP");
    }

    ScriptedDialogs dialogs;
    TestEnvironment environment;
    std::unique_ptr<ui::Form2> form2;
};

QRect Twips(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}

TEST_F(SaveWindowTest, LayoutAndCaptions) {
    Open(Symbol("layout", 0));
    EXPECT_EQ(form2->windowTitle(), QStringLiteral("保存二维码"));
    EXPECT_EQ(form2->size(), QSize(5205 / 15, 2655 / 15));
    EXPECT_EQ(form2->minimumSize(), form2->maximumSize());
    EXPECT_TRUE(form2->windowIcon().isNull());
    EXPECT_EQ(form2->Frame1->geometry(), Twips(240, 360, 4695, 1935));
    EXPECT_EQ(form2->Frame1->title(), QString());
    EXPECT_EQ(form2->Command1->parentWidget(), form2->Frame1);
    EXPECT_EQ(form2->Command1->geometry(), Twips(480, 480, 1695, 615));
    EXPECT_EQ(form2->Command1->text(), QStringLiteral("保存高清大图"));
    EXPECT_EQ(form2->Command2->geometry(), Twips(2520, 480, 1695, 615));
    EXPECT_EQ(form2->Command2->text(), QStringLiteral("普清简易小图"));
    EXPECT_EQ(form2->Label1->geometry(), Twips(600, 1320, 1440, 180));
    EXPECT_EQ(form2->Label1->text(), QStringLiteral("文件占用空间较大"));
    EXPECT_EQ(form2->Label2->geometry(), Twips(2640, 1320, 1440, 180));
    EXPECT_EQ(form2->Label2->text(), QStringLiteral("文件占用空间较小"));
    EXPECT_EQ(form2->Image2->geometry(), Twips(8880, 2280, 7995, 7995));
    EXPECT_EQ(form2->Image1->geometry(), Twips(10560, 1320, 2535, 2535));
    EXPECT_EQ(form2->Picture1->geometry(), Twips(9360, 3120, 2460, 2460));
    EXPECT_EQ(form2->Picture2->geometry(), Twips(7560, 3360, 2460, 2460));
    for (const QWidget* hidden :
         {static_cast<QWidget*>(form2->Image2), static_cast<QWidget*>(form2->Image1),
          static_cast<QWidget*>(form2->Picture1), static_cast<QWidget*>(form2->Picture2)}) {
        EXPECT_GE(hidden->x(), form2->width());
    }
}

TEST_F(SaveWindowTest, FileNamesCarryAFourteenDigitStampOnTheTwentyFourHourClock) {
    EXPECT_EQ(
        ui::Form2::FileName(QStringLiteral("HD"), QDateTime(QDate(2026, 12, 6), QTime(7, 53, 43))),
        QStringLiteral("HD20261206075343.jpg"));
    EXPECT_EQ(
        ui::Form2::FileName(QStringLiteral("BD"), QDateTime(QDate(2031, 1, 2), QTime(23, 4, 5))),
        QStringLiteral("BD20310102230405.jpg"));
}

// Version 1 (29 pixels) saved large: whole-pixel blocks of 18 or 19 pixels, nothing blurred.
TEST_F(SaveWindowTest, LargeRenditionStretchesByNearestNeighbour) {
    const QImage symbol = Symbol("V1", 1);
    ASSERT_EQ(symbol.size(), QSize(29, 29));
    Open(symbol);
    form2->Command1->click();
    ASSERT_EQ(Files().size(), 1);
    const QImage saved = Load(Files().front());
    ASSERT_EQ(saved.size(), QSize(533, 533));
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
              mdlTilvane::StretchPicture(symbol, 533, 533).convertToFormat(QImage::Format_RGB32));
    // the top-left finder pattern's corner (module 4) starts at 4 * 533 / 29 = 73.5 pixels
    EXPECT_EQ(saved.pixel(60, 60) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(saved.pixel(80, 80) & 0xFFFFFF, 0x000000u);
    const auto decoded = ReadWithZXing(saved);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Bytes, "V1");
    EXPECT_FALSE(form2->isVisible());
}

// Version 36 with its quiet zone is 169 pixels: the small rendition is the picture itself.
TEST_F(SaveWindowTest, SmallRenditionOfVersion36IsOnePixelPerModule) {
    const QImage symbol = Symbol(QByteArray(100, 'z'), 36);
    ASSERT_EQ(symbol.size(), QSize(169, 169));
    Open(symbol);
    form2->Command2->click();
    ASSERT_EQ(Files().size(), 1);
    EXPECT_TRUE(Files().front().startsWith(QStringLiteral("BD")));
    const QImage saved = Load(Files().front());
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
              symbol.convertToFormat(QImage::Format_RGB32));
}

TEST_F(SaveWindowTest, LargeThenSmallGiveTwoFiles) {
    const QImage symbol = Symbol("two files", 0);
    Open(symbol);
    form2->Command1->click();
    Open(symbol);
    form2->Command2->click();
    const QStringList files = Files();
    ASSERT_EQ(files.size(), 2);
    EXPECT_TRUE(files[0].startsWith(QStringLiteral("BD")));
    EXPECT_TRUE(files[1].startsWith(QStringLiteral("HD")));
    EXPECT_EQ(Load(files[0]).size(), QSize(169, 169));
    EXPECT_EQ(Load(files[1]).size(), QSize(533, 533));
    ASSERT_EQ(dialogs.Boxes().size(), 2u);
    EXPECT_TRUE(dialogs.Boxes()[0].text.endsWith(files[1]));
    EXPECT_TRUE(dialogs.Boxes()[1].text.endsWith(files[0]));
}

// A file of the same name (same rendition, same second) is replaced without a question.
TEST_F(SaveWindowTest, SameNameIsOverwritten) {
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = 0; s < 5; ++s) {
        QFile old(QDir(environment.ProgramFolder())
                      .filePath(ui::Form2::FileName(QStringLiteral("HD"), now.addSecs(s))));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old content");
    }
    Open(Symbol("overwrite", 0));
    form2->Command1->click();
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    const QString name = dialogs.Last().text.right(QStringLiteral("HD20261206075343.jpg").size());
    EXPECT_EQ(Files().size(), 5);
    EXPECT_TRUE(Files().contains(name)) << name.toStdString();
    QFile written(QDir(environment.ProgramFolder()).filePath(name));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.read(2), QByteArray("BM"));
}

TEST_F(SaveWindowTest, FailedWriteLeavesNoFileAndTheWindowOpen) {
    // writable by nobody: a folder below a plain file
    QFile plain(environment.TemporaryFolder() + QStringLiteral("/plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    environment.SetFolder(plain.fileName() + QStringLiteral("/folder"));
    Open(Symbol("no room", 0));
    form2->Command1->click();
    EXPECT_TRUE(form2->isVisible());
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    EXPECT_TRUE(dialogs.Last().text.startsWith(QStringLiteral("保存失败,无法写入文件:HD")));
    EXPECT_EQ(dialogs.Last().icon, QMessageBox::Information);
    EXPECT_EQ(QDir(environment.TemporaryFolder()).entryList(QDir::Files),
              QStringList{QStringLiteral("plain")});
}

TEST_F(SaveWindowTest, ReadOnlyFolderIsRefused) {
    const QString folder = environment.TemporaryFolder() + QStringLiteral("/readonly");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                  QFileDevice::ReadGroup | QFileDevice::ExeGroup));
    // the super-user writes into read-only folders; /proc takes no new file from anybody
    QFile probe(folder + QStringLiteral("/probe"));
    const bool writable = probe.open(QIODevice::WriteOnly);
    if (writable) {
        probe.close();
        probe.remove();
    }
    environment.SetFolder(writable ? QStringLiteral("/proc") : folder);
    Open(Symbol("read-only", 0));
    form2->Command2->click();
    EXPECT_TRUE(form2->isVisible());
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    EXPECT_TRUE(dialogs.Last().text.startsWith(QStringLiteral("保存失败,无法写入文件:BD")));
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(SaveWindowTest, InstalledProgramSavesIntoTheUsersPictureFolder) {
    // bin/ beside share/ostrel-qr/: the layout of an installed program, whose folder is the
    // system's
    const QString root = environment.TemporaryFolder();
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/usr/bin")));
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/usr/share/ostrel-qr")));
    environment.SetFolder(root + QStringLiteral("/usr/bin"));
    QStandardPaths::setTestModeEnabled(true);
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QDir(pictures).removeRecursively();
    Open(Symbol("installed", 0));
    form2->Command2->click();
    const QStringList saved = QDir(pictures).entryList(QDir::Files);
    EXPECT_FALSE(form2->isVisible());
    EXPECT_TRUE(Files().isEmpty());
    ASSERT_EQ(saved.size(), 1);
    EXPECT_TRUE(saved.front().startsWith(QStringLiteral("BD")));
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    EXPECT_EQ(dialogs.Last().text, QStringLiteral("普清二维码图片已保存在当前目录下!名称:") +
                                       QDir(pictures).filePath(saved.front()));
    QDir(pictures).removeRecursively();
    QStandardPaths::setTestModeEnabled(false);
}

} // namespace
} // namespace ostrel::test
