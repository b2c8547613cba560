// Closing the main window ends the application with its normal shutdown whatever closed it: the window
// manager's close (WM_DELETE_WINDOW, as a desktop's close button or Alt+F4 sends it) and a termination signal,
// with and without VR (the simulated runtime). Runs the real executable from a scratch folder on the test's X
// display and reads the config.ini it writes.
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

#include "X11Windows.h"

namespace {

enum class Closer { WindowManager, Signal };

struct CloseCase {
    const char* name;
    Closer closer;
    bool vr;
};

class MainWindowCloseTest : public testing::TestWithParam<CloseCase> {
protected:
    void SetUp() override {
        if (!x11::open()) GTEST_SKIP() << "no X display";
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
        x11::close();
    }

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

    unsigned long window = 0;
    QElapsedTimer waited;
    waited.start();
    while (window == 0 && waited.elapsed() < 30000 && m_app.state() == QProcess::Running) {
        QThread::msleep(100);
        window = x11::findMainWindow(m_app.processId());
    }
    ASSERT_NE(window, 0u) << "the main window never showed";
    // A few frames, so the close arrives at a running app.
    QThread::msleep(1500);
    QFile::remove(config);

    QElapsedTimer closing;
    closing.start();
    if (c.closer == Closer::WindowManager) {
        x11::sendDeleteWindow(window);
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
