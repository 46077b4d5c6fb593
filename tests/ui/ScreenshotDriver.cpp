// Writes screenshots of the main window (with a generated symbol) and of the save window as PNG
// files, for the documentation. Usage: ostrel-ui-screenshots OUTPUT_FOLDER [TEXT]
#include "Form1.h"
#include "Form2.h"
#include "ImageControl.h"
#include "ProgramEnvironment.h"
#include "TextBox.h"
#include "WebBrowser.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

// The skin is read from the source tree, as if it lay next to the program.
class SkinFolderEnvironment : public ostrel::platform::ProgramEnvironment {
public:
    QString ProgramFolder() const override {
        return QFileInfo(QStringLiteral(OSTREL_SKIN_FILE)).absolutePath();
    }
};

void Settle(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Save(QWidget& window, const QString& path) {
    const bool saved = window.grab().save(path, "PNG");
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const QString folder = arguments.size() > 1 ? arguments.at(1) : QStringLiteral("docs");
    const QString text = arguments.size() > 2
                             ? arguments.at(2)
                             : QStringLiteral("Ostrel 二维码 TEL:13800138000 中文测试");
    QDir().mkpath(folder);

    SkinFolderEnvironment environment;
    ostrel::platform::ProgramEnvironment::Install(&environment);
    ostrel::platform::WebBrowser::SetNetworkEnabled(false);

    ostrel::ui::Form1 form1;
    form1.show();
    Settle(300);
    form1.Text1->SetText(text);
    form1.Command1->click();
    Settle(300);
    bool ok = Save(form1, QDir(folder).filePath(QStringLiteral("main-window.png")));

    ostrel::ui::Form2 form2(&form1);
    form2.Image2->SetPicture(form1.Image1->Picture());
    form2.Image1->SetPicture(form1.Image1->Picture());
    form2.show();
    Settle(300);
    ok = Save(form2, QDir(folder).filePath(QStringLiteral("save-window.png"))) && ok;
    form2.hide();

    ostrel::platform::ProgramEnvironment::Install(nullptr);
    return ok ? 0 : 1;
}
