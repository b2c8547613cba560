// Closing the main window ends the application with its normal shutdown whatever closed it: the window
// manager's close (WM_DELETE_WINDOW, as a desktop's close button or Alt+F4 sends it) and a termination signal,
// with and without VR (the simulated runtime). Runs the real executable from a scratch folder on the test's X
// display and reads the config.ini it writes.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <string>

namespace {

// The main window of the process: a mapped top-level window of that process that is not the control window.
Window findMainWindow(Display* display, qint64 pid) {
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", True);
    if (pidAtom == None) return 0;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) == 0 || attributes.map_state != IsViewable) {
            continue;
        }
        Atom type = None;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;
        const bool ours = XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                                             &items, &remaining, &data) == Success &&
                          data != nullptr && items == 1 && format == 32 &&
                          static_cast<qint64>(*reinterpret_cast<unsigned long*>(data)) == pid;
        if (data != nullptr) XFree(data);
        if (!ours) continue;
        char* name = nullptr;
        const bool control =
            XFetchName(display, children[i], &name) != 0 && name != nullptr && std::string(name) == "MnxControl";
        if (name != nullptr) XFree(name);
        if (!control) found = children[i];
    }
    if (children != nullptr) XFree(children);
    return found;
}

// What the window manager sends when the user closes a window.
void sendDeleteWindow(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

enum class Closer { WindowManager, Signal };

struct CloseCase {
    const char* name;
    Closer closer;
    bool vr;
};

class MainWindowCloseTest : public testing::TestWithParam<CloseCase> {
protected:
    void SetUp() override {
        m_display = XOpenDisplay(nullptr);
        if (m_display == nullptr) GTEST_SKIP() << "no X display";
        ASSERT_TRUE(m_dir.isValid());
        m_exe = m_dir.filePath("marionix");
        ASSERT_TRUE(QFile::copy(QStringLiteral(MNX_BIN_DIR "/marionix"), m_exe));
        QFile(m_exe).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // The sample character, the pose sets and the simulated VR session, as shipped beside the executable.
        ASSERT_TRUE(QFile::link(QStringLiteral(MNX_BIN_DIR "/resource"), m_dir.filePath("resource")));
    }
    void TearDown() override {
        if (m_app.state() != QProcess::NotRunning) {
            m_app.kill();
            m_app.waitForFinished(5000);
        }
        if (m_display != nullptr) XCloseDisplay(m_display);
    }

    Display* m_display = nullptr;
    QTemporaryDir m_dir;
    QString m_exe;
    QProcess m_app;
};

TEST_P(MainWindowCloseTest, EndsWithCodeZeroWithinThreeSecondsAndWritesTheSettings) {
    const CloseCase& c = GetParam();
    const QString config = m_dir.filePath("config.ini");
    if (c.vr) {
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Global]\nUseVR=true\n");
    }
    m_app.setWorkingDirectory(m_dir.path());
    m_app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_app.start(m_exe, QStringList());
    ASSERT_TRUE(m_app.waitForStarted(10000));

    Window window = 0;
    QElapsedTimer waited;
    waited.start();
    while (window == 0 && waited.elapsed() < 30000 && m_app.state() == QProcess::Running) {
        QThread::msleep(100);
        window = findMainWindow(m_display, m_app.processId());
    }
    ASSERT_NE(window, 0u) << "the main window never showed";
    // A few frames, so the close arrives at a running app.
    QThread::msleep(1500);
    QFile::remove(config);

    QElapsedTimer closing;
    closing.start();
    if (c.closer == Closer::WindowManager) {
        sendDeleteWindow(m_display, window);
    } else {
        ::kill(static_cast<pid_t>(m_app.processId()), SIGTERM);
    }
    ASSERT_TRUE(m_app.waitForFinished(3000)) << "still running 3 s after the close";
    EXPECT_LT(closing.elapsed(), 3000);
    EXPECT_EQ(m_app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_app.exitCode(), 0);
    ASSERT_TRUE(QFile::exists(config)) << "config.ini was not written";
    const QSettings ini(config, QSettings::IniFormat);
    EXPECT_TRUE(ini.contains("Geometry/Main"));
    EXPECT_EQ(ini.value("Global/UseVR").toBool(), c.vr);
}

INSTANTIATE_TEST_SUITE_P(Closers, MainWindowCloseTest,
                         testing::Values(CloseCase{"WindowManager", Closer::WindowManager, false},
                                         CloseCase{"WindowManagerWithVR", Closer::WindowManager, true},
                                         CloseCase{"SignalWithVR", Closer::Signal, true}),
                         [](const testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

}  // namespace
