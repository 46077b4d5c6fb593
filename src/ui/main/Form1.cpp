#include "Form1.h"

#include "Clipboard.h"
#include "CodePage.h"
#include "Desktop.h"
#include "Dialogs.h"
#include "Form2.h"
#include "ImageControl.h"
#include "Numeric.h"
#include "PictureBox.h"
#include "ProgramEnvironment.h"
#include "SkinH.h"
#include "StatusBar.h"
#include "TextBox.h"
#include "WebBrowser.h"
#include "WindowFont.h"
#include "clsQRCode.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStringList>

#include <string_view>
#include <vector>

namespace ostrel::ui {

namespace {

const QString MessageTitle = QStringLiteral("Ostrel系列软件");

// Fixed encoder settings of the window: automatic version, level Q, mask pattern 000.
constexpr std::int32_t EncodeVersion = 0;
constexpr std::int32_t EncodeLevel = 3;
constexpr std::int32_t EncodeMask = 0;

// Code page whose double-byte characters are the Kanji mode's Shift JIS.
constexpr int ShiftJisCodePage = 932;

const QString CrLf = QStringLiteral("\r\n");

// Creates a control of the window's fixed layout: named, captioned and placed in its container.
template <typename Control>
Control* Place(const QString& name, const QString& caption, QWidget* container,
               const QRect& geometry) {
    auto* const control = new Control(caption, container);
    control->setObjectName(name);
    control->setGeometry(geometry);
    return control;
}

QPushButton* MakeButton(const QString& name, const QString& caption, QWidget* container,
                        const QRect& geometry) {
    QPushButton* const button = Place<QPushButton>(name, caption, container, geometry);
    button->setAutoDefault(false);
    return button;
}

QLabel* MakeLabel(const QString& name, const QString& caption, QWidget* container,
                  const QRect& geometry) {
    QLabel* const label = Place<QLabel>(name, caption, container, geometry);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Ostrel二维条码生成器 - For:Orlek"));
    setFont(platform::WindowFont::Get());
    CreateControls();
    CreateMenu();
    SetTabOrder();
    // The layout is fixed: the window is exactly the menu bar, the client area and the status
    // bar, whatever height the skin gives the menu bar, and the user cannot resize it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    Form_Load();
}

Form1::~Form1() = default;

// The controls are created in their original order, which is also their stacking order.
void Form1::CreateControls() {
    CreateClientArea();
    CreateEncodingLists();
    CreateTextAndSymbolFrames();
    CreateTemplateOptions();
    CreatePictureAndStatusBar();
    ConnectControls();
}

void Form1::CreateClientArea() {
    Client = new QWidget(this);
    Client->setObjectName(QStringLiteral("Client"));
    Client->setFixedSize(ClientWidth, ClientHeight - StatusBarHeight);
    setCentralWidget(Client);

    // Created first, so that they lie beneath the text box frame: nobody needs to see them.
    WebBrowser1 = new platform::WebBrowser(Client);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(176, 160, 25, 25);
    W2 = new platform::WebBrowser(Client);
    W2->setObjectName(QStringLiteral("W2"));
    W2->setGeometry(104, 168, 25, 17);

    Command1 = MakeButton(QStringLiteral("Command1"), QStringLiteral("生成二维码"), Client,
                          QRect(16, 310, 257, 41));
}

void Form1::CreateEncodingLists() {
    // cmb1(0) to cmb1(2) lie beyond the right edge of the client area.
    const std::array<QRect, 4> listGeometry = {QRect(840, 256, 73, 21), QRect(840, 304, 73, 21),
                                               QRect(840, 208, 73, 21), QRect(96, 16, 89, 21)};
    const std::array<QString, 4> listTexts = {
        QStringLiteral("Version"), QStringLiteral("Error correction level"),
        QStringLiteral("Mask type"), QStringLiteral("Text encoding")};

    Frame1 = Place<QGroupBox>(QStringLiteral("Frame1"), QStringLiteral("生成后二维码"), Client,
                              QRect(288, 80, 193, 273));
    Frame2 = Place<QGroupBox>(QStringLiteral("Frame2"), QString(), Client, QRect(288, 16, 193, 49));
    for (std::size_t i = 0; i < cmb1.size(); ++i) {
        QWidget* const container = i == 3 ? static_cast<QWidget*>(Frame2) : Client;
        auto* const list = new QComboBox(container);
        list->setObjectName(QStringLiteral("cmb1_%1").arg(i));
        list->setGeometry(listGeometry[i]);
        list->setToolTip(listTexts[i]);
        list->setEditable(false);
        cmb1[i] = list;
    }
    Label1 = MakeLabel(QStringLiteral("Label1"), QStringLiteral("请选择编码："), Frame2,
                       QRect(16, 19, 72, 13));
}

void Form1::CreateTextAndSymbolFrames() {
    Frame3 = Place<QGroupBox>(QStringLiteral("Frame3"), QStringLiteral("请输入要生成的内容"),
                              Client, QRect(16, 80, 257, 225));
    Text1 = new platform::TextBox(Frame3);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(8, 16, 241, 201);

    Image1 = new platform::ImageControl(Frame1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 24, 177, 169);
    Command2 = MakeButton(QStringLiteral("Command2"), QStringLiteral("保存二维码到计算机"), Frame1,
                          QRect(8, 200, 177, 33));
    Command3 = MakeButton(QStringLiteral("Command3"), QStringLiteral("复制二维码"), Frame1,
                          QRect(8, 232, 89, 33));
    Command4 = MakeButton(QStringLiteral("Command4"), QStringLiteral("发给QQ好友"), Frame1,
                          QRect(96, 232, 89, 33));
    Label2 = MakeLabel(QStringLiteral("Label2"), QStringLiteral("二维条码图片区"), Frame1,
                       QRect(8, 104, 180, 13));
    Label2->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
}

void Form1::CreateTemplateOptions() {
    Frame4 = Place<QGroupBox>(QStringLiteral("Frame4"), QStringLiteral("请选择类别"), Client,
                              QRect(16, 16, 257, 49));
    Option1 = Place<QRadioButton>(QStringLiteral("Option1"), QStringLiteral("名片"), Frame4,
                                  QRect(8, 24, 49, 13));
    Option2 = Place<QRadioButton>(QStringLiteral("Option2"), QStringLiteral("邮箱"), Frame4,
                                  QRect(56, 24, 49, 13));
    Option3 = Place<QRadioButton>(QStringLiteral("Option3"), QStringLiteral("网址"), Frame4,
                                  QRect(104, 24, 49, 13));
    Option4 = Place<QRadioButton>(QStringLiteral("Option4"), QStringLiteral("电话"), Frame4,
                                  QRect(152, 24, 49, 13));
    Option5 = Place<QRadioButton>(QStringLiteral("Option5"), QStringLiteral("文本"), Frame4,
                                  QRect(200, 24, 49, 13));
}

void Form1::CreatePictureAndStatusBar() {
    Picture1 = new platform::PictureBox(Client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(632, 112, 137, 121);

    S1 = new platform::StatusBar(96, 96, this);
    S1->setObjectName(QStringLiteral("S1"));
    S1->setFixedHeight(StatusBarHeight);
    S1->SetPanelText(1, QStringLiteral("运行提示："));
    S1->SetPanelText(2, QStringLiteral("请输入内容后点击生成"));
    S1->SetPanelText(3, QStringLiteral("Ostrel出品"));
    setStatusBar(S1);
}

void Form1::ConnectControls() {
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Text1, &platform::TextBox::GotFocus, this, [this] { Text1_GotFocus(); });
    // An option's click handler runs when it becomes the selected one, by the user or by code.
    const std::array<std::pair<QRadioButton*, void (Form1::*)()>, 5> options = {{
        {Option1, &Form1::Option1_Click},
        {Option2, &Form1::Option2_Click},
        {Option3, &Form1::Option3_Click},
        {Option4, &Form1::Option4_Click},
        {Option5, &Form1::Option5_Click},
    }};
    for (const auto& entry : options) {
        const auto handler = entry.second;
        connect(entry.first, &QRadioButton::toggled, this, [this, handler](bool selected) {
            UpdateOptionTabStops();
            if (selected) {
                (this->*handler)();
            }
        });
        entry.first->installEventFilter(this);
    }
}

void Form1::CreateMenu() {
    menu1 = menuBar()->addMenu(QStringLiteral("程序菜单"));
    menu1->setObjectName(QStringLiteral("menu1"));
    sc = menu1->addAction(QStringLiteral("生成二维码"));
    sc->setObjectName(QStringLiteral("sc"));
    qk = menu1->addAction(QStringLiteral("清空二维码"));
    qk->setObjectName(QStringLiteral("qk"));
    x2 = menu1->addSeparator();
    x2->setObjectName(QStringLiteral("x2"));
    endd = menu1->addAction(QStringLiteral("退出程序"));
    endd->setObjectName(QStringLiteral("endd"));
    zb = menuBar()->addAction(QStringLiteral("官方论坛"));
    zb->setObjectName(QStringLiteral("zb"));
    qq = menuBar()->addAction(QStringLiteral("重启程序"));
    qq->setObjectName(QStringLiteral("qq"));

    connect(sc, &QAction::triggered, this, [this] { sc_Click(); });
    connect(qk, &QAction::triggered, this, [this] { qk_Click(); });
    connect(endd, &QAction::triggered, this, [this] { endd_Click(); });
    connect(zb, &QAction::triggered, this, [this] { zb_Click(); });
    connect(qq, &QAction::triggered, this, [this] { qq_Click(); });
}

void Form1::SetTabOrder() {
    // The design's tab order; frames, labels, the drawing box, the browsers and the status bar
    // take no focus.
    const std::array<QWidget*, 14> order = {Command1, cmb1[0],  cmb1[1],  cmb1[2], cmb1[3],
                                            Text1,    Command2, Command3, Option1, Option2,
                                            Option3,  Option4,  Option5,  Command4};
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

// The option group is one tab stop, as on Windows: Tab enters it at the selected option and the
// next Tab leaves it; the arrow keys move the selection within it. A Tab can thus never stop on
// an option that Space would select (and whose template would replace the text).
void Form1::UpdateOptionTabStops() {
    for (QRadioButton* const option : {Option1, Option2, Option3, Option4, Option5}) {
        const Qt::FocusPolicy policy = option->isChecked() ? Qt::StrongFocus : Qt::ClickFocus;
        option->setFocusPolicy(policy);
    }
}

QRadioButton* Form1::SelectedOption() const {
    for (QRadioButton* const option : {Option1, Option2, Option3, Option4, Option5}) {
        if (option->isChecked()) {
            return option;
        }
    }
    return nullptr;
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    // Qt gives the tab stop to whichever option last took the focus (a mouse press that was not
    // completed to a click, for instance): a Tab that still reaches an unselected option goes on
    // to the selected one.
    if (event->type() == QEvent::FocusIn) {
        const auto* const focus = static_cast<QFocusEvent*>(event);
        auto* const option = qobject_cast<QRadioButton*>(watched);
        QRadioButton* const selected = SelectedOption();
        if (option != nullptr && selected != nullptr && option != selected &&
            (focus->reason() == Qt::TabFocusReason || focus->reason() == Qt::BacktabFocusReason)) {
            selected->setFocus(focus->reason());
            UpdateOptionTabStops();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Start-up (load, focus) ----

void Form1::Form_Load() {
    platform::SkinH_AttachEx(
        platform::ProgramEnvironment::Current().DataFile(QStringLiteral("skinh.she")), QString());
    platform::SkinH_AdjustHSV(166, 0, 0);
    setWindowIcon(QIcon());

    cmb1[0]->addItem(QStringLiteral("Automatic"));
    for (int version = 1; version <= 40; ++version) {
        cmb1[0]->addItem(QString::number(version));
    }
    cmb1[0]->setCurrentIndex(0);
    cmb1[1]->addItems({QStringLiteral("L - 7%"), QStringLiteral("M - 15%"),
                       QStringLiteral("Q - 25%"), QStringLiteral("H - 30%")});
    cmb1[1]->setCurrentIndex(1);
    cmb1[2]->addItem(QStringLiteral("Automatic"));
    for (int mask = 0; mask <= 7; ++mask) {
        cmb1[2]->addItem(QString::number(mask));
    }
    cmb1[2]->setCurrentIndex(0);
    cmb1[3]->addItems({QStringLiteral("ANSI"), QStringLiteral("UTF-8")});
    cmb1[3]->setCurrentIndex(1);

    Option5->setChecked(true);

    WebBrowser1->SetSilent(true);
    WebBrowser1->Navigate(ForumAddress());
}

QUrl Form1::ForumAddress() {
    return QUrl::fromLocalFile(
        platform::ProgramEnvironment::Current().DataFile(QString::fromLatin1(ForumPageName)));
}

void Form1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_Placed) {
        return;
    }
    m_Placed = true;
    if (const QScreen* const screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        const QSize outer = frameGeometry().size();
        move(available.center() - QPoint(outer.width() / 2, outer.height() / 2));
    }
}

void Form1::Text1_GotFocus() {
    Text1->SetSelStart(0);
    Text1->SetSelLength(static_cast<int>(Text1->TextLength()));
}

// ---- Generate ----

void Form1::Command1_Click() {
    GenerateSymbol(true);
}

void Form1::sc_Click() {
    GenerateSymbol(false);
}

void Form1::GenerateSymbol(bool fromButton) {
    if (Text1->TextLength() == 0) {
        if (fromButton) {
            S1->SetPanelText(2, QStringLiteral("请输入内容后再进行生成!"));
        } else {
            Message(QStringLiteral("请输入内容后再进行生成!"), QMessageBox::Warning,
                    QMessageBox::Ok);
        }
        return;
    }
    for (const QComboBox* const list : cmb1) {
        if (list->currentIndex() < 0) {
            return;
        }
    }
    const bool utf8 = cmb1[3]->currentIndex() == 1;

    if (!qrEncoder) {
        qrEncoder = std::make_unique<clsQRCode>();
    }
    // Readers take Kanji-mode data for Shift JIS: only text converted to code page 932 may use it.
    qrEncoder->SetKanjiMode(!utf8 && platform::CodePage::SystemAnsiCodePage() == ShiftJisCodePage);

    // Every code page gives at least one byte for every two UTF-16 code units, so a text longer
    // than this can never fit; a huge paste is refused without converting it.
    constexpr qsizetype LongestUsefulText = qsizetype{2} * clsQRCode::MaxInputLength;
    QImage picture;
    if (Text1->TextLength() <= LongestUsefulText) {
        const QString text = Text1->Text();
        const std::vector<std::uint8_t> bytes = platform::CodePage::TextToBytes(
            std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                static_cast<std::size_t>(text.size())),
            utf8);
        picture = qrEncoder->Encode(bytes, static_cast<std::int32_t>(bytes.size()), EncodeVersion,
                                    EncodeLevel, EncodeMask);
    }
    Image1->SetPicture(picture);
    if (picture.isNull()) {
        // More data than a version-40 symbol at level Q holds: no symbol on display.
        Label2->show();
        if (fromButton) {
            S1->SetPanelText(2, QStringLiteral("二维码生成失败!"));
        }
        Message(QStringLiteral("内容过长,无法生成二维码!"), QMessageBox::Information,
                QMessageBox::Ok);
        return;
    }
    Label2->hide();
    if (fromButton) {
        S1->SetPanelText(2, QStringLiteral("二维码生成完毕!"));
    }
}

// ---- Templates ----

QString Form1::TemplateText(int option) {
    QStringList lines;
    switch (option) {
    case 1:
        lines = {QStringLiteral("姓名："), QStringLiteral("年龄："), QStringLiteral("手机号码："),
                 QStringLiteral("公司："), QStringLiteral("职位："), QStringLiteral("网址："),
                 QStringLiteral("地址：")};
        break;
    case 2:
        lines = {QStringLiteral("收件人：@"), QStringLiteral("标题："), QStringLiteral("内容：")};
        break;
    case 3:
        lines = {QStringLiteral("网站名称："), QStringLiteral("网站地址：http://")};
        break;
    case 4:
        lines = {QStringLiteral("姓名："), QStringLiteral("手机："), QStringLiteral("电话：")};
        break;
    default:
        break;
    }
    return lines.join(CrLf);
}

void Form1::Option1_Click() {
    Text1->SetText(TemplateText(1));
}
void Form1::Option2_Click() {
    Text1->SetText(TemplateText(2));
}
void Form1::Option3_Click() {
    Text1->SetText(TemplateText(3));
}
void Form1::Option4_Click() {
    Text1->SetText(TemplateText(4));
}
void Form1::Option5_Click() {
    Text1->SetText(TemplateText(5));
}

// ---- Output commands ----

bool Form1::SymbolPresent() const {
    return !Image1->Picture().isNull();
}

void Form1::Command2_Click() {
    if (!SymbolPresent()) {
        Message(QStringLiteral("请先生成二维码后在进行保存!"), QMessageBox::Warning,
                QMessageBox::Ok);
        return;
    }
    Form2 form2(this);
    form2.Image2->SetPicture(Image1->Picture());
    form2.Image1->SetPicture(Image1->Picture());
    form2.exec();
}

void Form1::Command3_Click() {
    if (!SymbolPresent()) {
        Message(QStringLiteral("请先生成二维码后在进行保存!"), QMessageBox::Warning,
                QMessageBox::Ok);
        return;
    }
    // The clipboard gets the symbol at the display's size (177 x 169), stretched independently
    // in each direction, quiet zone included.
    Picture1->SetAutoRedraw(true);
    Picture1->resize(Image1->width(), Image1->height());
    Picture1->PaintPicture(Image1->Picture(), 0, 0, Image1->width(), Image1->height());
    if (!platform::Clipboard::SetBitmap(Picture1->Image())) {
        // Another program holds the clipboard: say so rather than claim a copy.
        Message(QStringLiteral("复制失败,剪贴板暂时无法使用,请稍后再试!"), QMessageBox::Information,
                QMessageBox::Ok);
        return;
    }
    Message(QStringLiteral("已复制到剪贴板!默认复制BD版二维码图片"), QMessageBox::Information,
            QMessageBox::Ok);
}

QUrl Form1::MessengerAddress(const QString& number) {
    const QString escaped = QString::fromLatin1(QUrl::toPercentEncoding(number));
    return QUrl(QString::fromLatin1(MessengerAddressPrefix) + escaped, QUrl::StrictMode);
}

void Form1::Command4_Click() {
    const QString guide = QStringList{QStringLiteral("发送QQ好友流程:"), QStringLiteral(" "),
                                      QStringLiteral("1.首先点击复制二维码图片"),
                                      QStringLiteral("2.点击确定后,输入您的好友QQ"),
                                      QStringLiteral("3.将二维码图片粘贴发送即可")}
                              .join(CrLf);
    if (Message(guide, QMessageBox::Information, QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes) {
        return;
    }
    const QString prompt = QStringLiteral("请输入您的好友QQ");
    const std::optional<QString> number =
        platform::Dialogs::Current().InputBox(this, prompt, prompt, QString());
    if (!number) {
        Message(QStringLiteral("您已取消!"), QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    if (number->isEmpty()) {
        Message(QStringLiteral("请输入QQ号码"), QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    if (!platform::Numeric::IsNumeric(*number)) {
        Message(QStringLiteral("QQ号码输入错误!"), QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    if (number->size() < 5 || number->size() > 10) {
        Message(QStringLiteral("QQ号码位数不正确!"), QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    if (!W2->Navigate(MessengerAddress(*number))) {
        // No messenger installed (no program takes the address), or the desktop refused it.
        Message(QStringLiteral("未能打开QQ,请确认已安装并登录QQ!"), QMessageBox::Information,
                QMessageBox::Ok);
    }
}

void Form1::qk_Click() {
    if (!SymbolPresent()) {
        Message(QStringLiteral("没有二维条码,无需清除"), QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    Image1->SetPicture(QImage());
    Label2->show();
}

// ---- Menu commands and exit ----

void Form1::closeEvent(QCloseEvent* event) {
    int cancel = 0;
    Form_QueryUnload(cancel, 0);
    if (cancel != 0) {
        event->ignore();
    } else {
        event->accept();
    }
}

void Form1::Form_QueryUnload(int& Cancel, int /*UnloadMode*/) {
    const QString prompt = QStringLiteral("感谢您对Vessa、对Zb系列的软件的支持!") +
                           QStringLiteral("\r \r") +
                           QStringLiteral("是否退出并到论坛可以下载更多Vessa的原创免费软件?");
    switch (Message(prompt, QMessageBox::Information,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        OpenForum();
        break;
    case QMessageBox::No:
        break;
    default:
        Cancel = 1;
        break;
    }
}

void Form1::endd_Click() {
    close();
}

void Form1::zb_Click() {
    OpenForum();
}

void Form1::OpenForum() {
    const QUrl page = ForumAddress();
    // A deleted page would leave the browser with an error, or open nothing at all.
    if (!QFileInfo(page.toLocalFile()).isFile() || !platform::Desktop::OpenUrl(page)) {
        Message(QStringLiteral("无法打开官方论坛页面!"), QMessageBox::Information, QMessageBox::Ok);
    }
}

void Form1::qq_Click() {
    const QString prompt = QStringLiteral("如果您觉得当前使用的程序出现异常") + CrLf +
                           QStringLiteral(" ") + CrLf +
                           QStringLiteral("请点击重启程序,是否现在重新启动程序?");
    if (Message(prompt, QMessageBox::Information, QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes) {
        return;
    }
    platform::ProgramEnvironment& environment = platform::ProgramEnvironment::Current();
    // The program's own executable, started directly: no shell, so blanks in its path are safe.
    if (!environment.StartProgram(environment.ProgramFile())) {
        Message(QStringLiteral("程序重启失败,请手动重新启动!"), QMessageBox::Information,
                QMessageBox::Ok);
        return;
    }
    environment.EndProgram();
}

QMessageBox::StandardButton Form1::Message(const QString& text, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons) {
    return platform::Dialogs::Current().MsgBox(this, text, icon, buttons, MessageTitle);
}

} // namespace ostrel::ui
