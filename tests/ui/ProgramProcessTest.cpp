// The real program as a separate process, driven through the X server as a user would: closing
// its main window asks the close prompt and then ends the process; the restart command starts a
// fresh copy and ends the process without the close prompt.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ostrel::test {
namespace {

const QString MainTitle = QStringLiteral("Ostrel二维条码生成器 - For:Orlek");
const QString BoxTitle = QStringLiteral("Ostrel系列软件");

// Keysyms of the keys the tests press (X11 keysymdef.h).
constexpr xcb_keysym_t KeyAltL = 0xFFE9;
constexpr xcb_keysym_t KeyRight = 0xFF53;
constexpr xcb_keysym_t KeyReturn = 0xFF0D;
constexpr xcb_keysym_t KeyN = 0x006E;
constexpr xcb_keysym_t KeyY = 0x0079;

// A connection to the X server the tests run on, with the few requests a user's actions need.
class XServer {
public:
    XServer() {
        m_Connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_Connection) == 0) {
            m_Root = xcb_setup_roots_iterator(xcb_get_setup(m_Connection)).data->root;
        }
    }
    ~XServer() { xcb_disconnect(m_Connection); }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool Ok() const { return m_Root != 0; }

    // The viewable top-level windows of process pid whose title is title.
    std::vector<xcb_window_t> Windows(qint64 pid, const QString& title) {
        std::vector<xcb_window_t> found;
        auto* tree =
            xcb_query_tree_reply(m_Connection, xcb_query_tree(m_Connection, m_Root), nullptr);
        if (tree == nullptr) {
            return found;
        }
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            const xcb_window_t w = children[i];
            if (Viewable(w) && Cardinal(w, "_NET_WM_PID") == pid && Title(w) == title) {
                found.push_back(w);
            }
        }
        std::free(tree);
        return found;
    }

    // What a window manager sends when the user clicks the close button.
    void RequestClose(xcb_window_t window) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = Atom("WM_PROTOCOLS");
        event.data.data32[0] = Atom("WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_Connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(m_Connection);
    }

    // One key pressed and released in window (state: the modifiers held, as X reports them).
    void PressKey(xcb_window_t window, xcb_keysym_t keysym, std::uint16_t pressState = 0,
                  std::uint16_t releaseState = 0) {
        const xcb_keycode_t code = Keycode(keysym);
        for (const bool press : {true, false}) {
            xcb_key_press_event_t event{};
            event.response_type = press ? XCB_KEY_PRESS : XCB_KEY_RELEASE;
            event.detail = code;
            event.time = XCB_CURRENT_TIME;
            event.root = m_Root;
            event.event = window;
            event.child = XCB_NONE;
            event.same_screen = 1;
            event.state = press ? pressState : releaseState;
            xcb_send_event(m_Connection, 1, window,
                           press ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE,
                           reinterpret_cast<const char*>(&event));
        }
        xcb_flush(m_Connection);
    }

private:
    xcb_atom_t Atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            m_Connection,
            xcb_intern_atom(m_Connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return atom;
    }

    bool Viewable(xcb_window_t w) {
        auto* reply = xcb_get_window_attributes_reply(
            m_Connection, xcb_get_window_attributes(m_Connection, w), nullptr);
        const bool viewable = reply != nullptr && reply->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(reply);
        return viewable;
    }

    qint64 Cardinal(xcb_window_t w, const char* property) {
        auto* reply = xcb_get_property_reply(
            m_Connection,
            xcb_get_property(m_Connection, 0, w, Atom(property), XCB_ATOM_CARDINAL, 0, 1), nullptr);
        qint64 value = -1;
        if (reply != nullptr && xcb_get_property_value_length(reply) == 4) {
            std::uint32_t v = 0;
            std::memcpy(&v, xcb_get_property_value(reply), 4);
            value = v;
        }
        std::free(reply);
        return value;
    }

    QString Title(xcb_window_t w) {
        auto* reply =
            xcb_get_property_reply(m_Connection,
                                   xcb_get_property(m_Connection, 0, w, Atom("_NET_WM_NAME"),
                                                    Atom("UTF8_STRING"), 0, 1024),
                                   nullptr);
        QString title;
        if (reply != nullptr) {
            title = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                      xcb_get_property_value_length(reply));
        }
        std::free(reply);
        return title;
    }

    xcb_keycode_t Keycode(xcb_keysym_t keysym) {
        const xcb_setup_t* setup = xcb_get_setup(m_Connection);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        auto* reply = xcb_get_keyboard_mapping_reply(
            m_Connection,
            xcb_get_keyboard_mapping(m_Connection, setup->min_keycode,
                                     static_cast<std::uint8_t>(count)),
            nullptr);
        xcb_keycode_t code = 0;
        if (reply != nullptr) {
            const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
            const int per = reply->keysyms_per_keycode;
            for (int k = 0; k < count && code == 0; ++k) {
                for (int j = 0; j < per; ++j) {
                    if (syms[k * per + j] == keysym) {
                        code = static_cast<xcb_keycode_t>(setup->min_keycode + k);
                        break;
                    }
                }
            }
        }
        std::free(reply);
        return code;
    }

    xcb_connection_t* m_Connection = nullptr;
    xcb_window_t m_Root = 0;
};

// Waits (up to a bound only a hang reaches) until condition holds; false on the bound.
bool WaitFor(const std::function<bool()>& condition);

// Does action, then waits a little for its effect; again, up to a bound, while the window has
// not taken the keys yet (a key that arrives before the window has the focus is lost).
bool Repeat(const std::function<void()>& action, const std::function<bool()>& effect) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        action();
        for (int i = 0; i < 30; ++i) {
            QTest::qWait(50);
            if (effect()) {
                return true;
            }
        }
    }
    return false;
}

bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 600; ++i) {
        if (condition()) {
            return true;
        }
        QTest::qWait(50);
    }
    return condition();
}

// Processes whose parent is this test process (orphans adopted through the subreaper flag)
// running the program file, other than except.
std::vector<pid_t> AdoptedCopies(const QString& program, qint64 except) {
    std::vector<pid_t> copies;
    const QString canonical = QFileInfo(program).canonicalFilePath();
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        if (!number || pid == except) {
            continue;
        }
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 2 || fields[1].toInt() != getpid()) {
            continue;
        }
        if (QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath() == canonical) {
            copies.push_back(pid);
        }
    }
    return copies;
}

class ProgramProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.Ok()) << "no X server";
        // Copies that the program starts outlive it: adopt them, so that the test can end them.
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        program.setProgram(QStringLiteral(OSTREL_PROGRAM));
        program.setWorkingDirectory(folder.path());
        // Files, not pipes: a copy started by the program inherits them and may write to them
        // after the program (and its pipes) are gone.
        program.setStandardOutputFile(folder.filePath(QStringLiteral("stdout.txt")));
        program.setStandardErrorFile(folder.filePath(QStringLiteral("stderr.txt")));
        program.start();
        ASSERT_TRUE(program.waitForStarted(30000));
        ASSERT_TRUE(WaitFor([&] { return x.Windows(program.processId(), MainTitle).size() == 1; }))
            << "the main window never came up";
        // Let the window finish its start-up before keys arrive.
        QTest::qWait(300);
    }

    void TearDown() override {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(30000);
        }
        for (const pid_t pid : AdoptedCopies(QStringLiteral(OSTREL_PROGRAM), -1)) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        prctl(PR_SET_CHILD_SUBREAPER, 0);
    }

    xcb_window_t MainWindow() { return x.Windows(program.processId(), MainTitle).front(); }
    std::vector<xcb_window_t> Boxes() { return x.Windows(program.processId(), BoxTitle); }

    XServer x;
    QTemporaryDir folder;
    QProcess program;
};

TEST_F(ProgramProcessTest, ClosingTheMainWindowAsksAndThenEndsTheProgram) {
    x.RequestClose(MainWindow());
    ASSERT_TRUE(WaitFor([&] { return Boxes().size() == 1; })) << "no close prompt came up";
    EXPECT_EQ(program.state(), QProcess::Running);
    const xcb_window_t prompt = Boxes().front();
    // 否(&N): close without the forum.
    ASSERT_TRUE(Repeat([&] { x.PressKey(prompt, KeyN); },
                       [&] { return program.state() == QProcess::NotRunning; }))
        << "the program kept running";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(AdoptedCopies(program.program(), -1).empty());
}

TEST_F(ProgramProcessTest, RestartStartsAFreshCopyAndEndsWithoutTheClosePrompt) {
    // The menu bar by keyboard: Alt, then right twice from 程序菜单 over 官方论坛 to 重启程序.
    const xcb_window_t main = MainWindow();
    ASSERT_TRUE(Repeat(
        [&] {
            x.PressKey(main, KeyAltL, 0, XCB_MOD_MASK_1);
            QTest::qWait(100);
            x.PressKey(main, KeyRight);
            x.PressKey(main, KeyRight);
            x.PressKey(main, KeyReturn);
        },
        [&] { return Boxes().size() == 1; }))
        << "no restart question came up";
    const qint64 first = program.processId();
    const xcb_window_t question = Boxes().front();
    // 是(&Y); the program then ends by itself.
    ASSERT_TRUE(Repeat([&] { x.PressKey(question, KeyY); },
                       [&] {
                           return program.state() == QProcess::NotRunning ||
                                  x.Windows(first, BoxTitle) != std::vector<xcb_window_t>{question};
                       }));

    // A close prompt on the way would stop it.
    bool prompted = false;
    ASSERT_TRUE(WaitFor([&] {
        if (program.state() == QProcess::NotRunning) {
            return true;
        }
        for (const xcb_window_t box : x.Windows(first, BoxTitle)) {
            prompted = prompted || box != question;
        }
        return prompted;
    }));
    EXPECT_FALSE(prompted) << "the restart asked the close prompt";
    ASSERT_EQ(program.state(), QProcess::NotRunning);
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    // The fresh copy runs and shows its main window.
    std::vector<pid_t> copies;
    ASSERT_TRUE(WaitFor([&] {
        copies = AdoptedCopies(program.program(), first);
        return copies.size() == 1 && x.Windows(copies.front(), MainTitle).size() == 1;
    })) << "no fresh copy of the program came up";
}

} // namespace
} // namespace ostrel::test
