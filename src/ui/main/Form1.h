#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QUrl>

#include <array>
#include <memory>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;

namespace ostrel {
class clsQRCode;
}

namespace ostrel::platform {
class ImageControl;
class PictureBox;
class StatusBar;
class TextBox;
class WebBrowser;
} // namespace ostrel::platform

namespace ostrel::ui {

// The main window "Ostrel二维条码生成器 - For:Orlek": a text box with five content templates, the
// generate command, the symbol display with its save, copy and send-to-QQ commands, a menu, and a
// status bar.
//
// Every position and size is in pixels, the window's design in twips divided by 15, relative to
// the control's container: the client area (below the menu bar, the status bar docked at its
// bottom) or a frame. The settings lists cmb1(0) to cmb1(2) and the drawing box Picture1 lie to
// the right of the 490-pixel client area; they exist and work, and the user never sees them.
//
// The current symbol is the picture of Image1; a null picture means that there is none.
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // Client area 7350 x 6435 twips; the status bar is 495 twips high.
    static constexpr int ClientWidth = 490;
    static constexpr int ClientHeight = 429;
    static constexpr int StatusBarHeight = 33;

    // The product's own page, shipped beside the executable: loaded at start-up, opened by
    // "官方论坛" and by the close prompt.
    static constexpr const char* ForumPageName = "forum.html";
    // The file: address of that page in the program's folder.
    static QUrl ForumAddress();
    // The messenger's address of a chat, the friend's number follows (percent-escaped).
    static constexpr const char* MessengerAddressPrefix = "tencent://Message/?Menu=YES&Uin=";

    // The five content templates: CR LF between the lines, no break at the end.
    static QString TemplateText(int option);
    // The messenger's chat address for a friend's number as typed. Characters other than
    // letters, digits and - . _ ~ are percent-escaped, so the number stays one query value.
    static QUrl MessengerAddress(const QString& number);

    // The encoder, created by the first generate that gets past the checks; null before.
    const clsQRCode* Encoder() const { return qrEncoder.get(); }
    // True when the symbol display holds a symbol.
    bool SymbolPresent() const;

    // ---- Event handlers ----
    void Form_Load();
    void Form_QueryUnload(int& Cancel, int UnloadMode);
    void Text1_GotFocus();
    void Command1_Click(); // "生成二维码" button
    void sc_Click();       // "生成二维码" menu command
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Option5_Click();
    void Command2_Click(); // "保存二维码到计算机"
    void Command3_Click(); // "复制二维码"
    void Command4_Click(); // "发给QQ好友"
    void qk_Click();       // "清空二维码"
    void endd_Click();     // "退出程序"
    void qq_Click();       // "重启程序"
    void zb_Click();       // "官方论坛"

    // ---- Controls ----
    QWidget* Client = nullptr; // the client area above the status bar
    QPushButton* Command1 = nullptr;
    std::array<QComboBox*, 4> cmb1{};
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    QGroupBox* Frame3 = nullptr;
    platform::TextBox* Text1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QLabel* Label2 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    QRadioButton* Option5 = nullptr;
    platform::PictureBox* Picture1 = nullptr;
    platform::WebBrowser* WebBrowser1 = nullptr;
    QPushButton* Command4 = nullptr;
    platform::WebBrowser* W2 = nullptr;
    platform::StatusBar* S1 = nullptr;
    platform::ImageControl* Image1 = nullptr;

    QMenu* menu1 = nullptr;
    QAction* sc = nullptr;
    QAction* qk = nullptr;
    QAction* x2 = nullptr;
    QAction* endd = nullptr;
    QAction* zb = nullptr;
    QAction* qq = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    // The steps of CreateControls, in order.
    void CreateClientArea();          // the client area, the hidden browsers, 生成二维码
    void CreateEncodingLists();       // the four lists, frames 1 and 2, the encoding label
    void CreateTextAndSymbolFrames(); // the text box and the symbol's frame with its buttons
    void CreateTemplateOptions();     // the five template options
    void CreatePictureAndStatusBar();
    void ConnectControls(); // the buttons, the text box and the options to their handlers
    void CreateMenu();
    void SetTabOrder();
    // Only the selected option is a tab stop of the option group.
    void UpdateOptionTabStops();
    QRadioButton* SelectedOption() const;
    // Opens the product's page in the desktop's browser; says so when it cannot.
    void OpenForum();
    // The steps both generate commands share; fromButton selects Command1's reporting.
    void GenerateSymbol(bool fromButton);
    QMessageBox::StandardButton Message(const QString& text, QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons);

    std::unique_ptr<clsQRCode> qrEncoder;
    bool m_Placed = false;
};

} // namespace ostrel::ui
