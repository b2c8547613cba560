// Closing the main window ends the application with its normal shutdown whatever closed it: the window
// manager's close (WM_DELETE_WINDOW, as a desktop's close button or Alt+F4 sends it) and a termination signal,
// with and without VR (the simulated runtime), and after a start from a config.ini of random bytes. Runs the real
// executable from a scratch folder on the test's X display, reads the config.ini it writes and expects nothing
// on standard output.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
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
    bool randomConfig = false;
};

class MainWindowCloseTest : public testing::TestWithParam<CloseCase> {
protected:
    void SetUp() override {
        if (!x11::open()) GTEST_SKIP() << "no X display";
        ASSERT_TRUE(m_dir.isValid());
        m_exe = m_dir.filePath("marionix");
        ASSERT_TRUE(QFile::copy(QStringLiteral(MNX_BIN_DIR "/marionix"), m_exe));
        QFile(m_exe).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // The shipped resource tree beside the executable, but for a simulated headset with small eye targets:
        // a close is handled between frames, and a software renderer takes seconds for two full-size eyes.
        const QDir shipped(QStringLiteral(MNX_BIN_DIR "/resource"));
        const QDir resource(m_dir.filePath("resource"));
        ASSERT_TRUE(resource.mkpath("VR"));
        for (const QString& entry : shipped.entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
            if (entry != "VR") {
                ASSERT_TRUE(QFile::link(shipped.filePath(entry), resource.filePath(entry)));
            }
        }
        const QDir vr(shipped.filePath("VR"));
        for (const QString& entry : vr.entryList(QDir::Files)) {
            if (entry != "simulated_session.json") {
                ASSERT_TRUE(QFile::link(vr.filePath(entry), resource.filePath("VR/" + entry)));
            }
        }
        QFile session(vr.filePath("simulated_session.json"));
        ASSERT_TRUE(session.open(QIODevice::ReadOnly));
        QJsonObject root = QJsonDocument::fromJson(session.readAll()).object();
        QJsonObject eyes = root.value("eyes").toObject();
        eyes["width"] = 160;
        eyes["height"] = 180;
        root["eyes"] = eyes;
        QFile small(resource.filePath("VR/simulated_session.json"));
        ASSERT_TRUE(small.open(QIODevice::WriteOnly));
        small.write(QJsonDocument(root).toJson());
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

TEST_P(MainWindowCloseTest, EndsWithCodeZeroAndWritesTheSettings) {
    const CloseCase& c = GetParam();
    const QString config = m_dir.filePath("config.ini");
    if (c.vr) {
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Global]\nUseVR=true\n");
    } else if (c.randomConfig) {
        QByteArray garbage(64 * 1024, '\0');
        QRandomGenerator rng(20261206);
        for (char& byte : garbage) byte = static_cast<char>(rng.bounded(256));
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    m_app.setWorkingDirectory(m_dir.path());
    m_app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_app.start(m_exe, QStringList());
    ASSERT_TRUE(m_app.waitForStarted(10000));

    unsigned long window = 0;
    QElapsedTimer waited;
    waited.start();
    // The control window shows last in the start-up sequence, after the scene has loaded.
    while ((window == 0 || x11::findControlWindow(m_app.processId()) == 0) && waited.elapsed() < 60000 &&
           m_app.state() == QProcess::Running) {
        QThread::msleep(100);
        window = x11::findMainWindow(m_app.processId());
    }
    ASSERT_NE(window, 0u) << "the main window never showed";
    ASSERT_NE(x11::findControlWindow(m_app.processId()), 0u) << "start-up never finished";
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
    // The close is handled between frames; a software-rendered frame on a busy machine can take a second or
    // more, so the bound here is generous. A close that does not end the app never finishes.
    ASSERT_TRUE(m_app.waitForFinished(10000)) << "still running 10 s after the close";
    RecordProperty("closeToExitMs", static_cast<int>(closing.elapsed()));
    EXPECT_EQ(m_app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_app.exitCode(), 0);
    const QByteArray out = m_app.readAllStandardOutput();
    EXPECT_TRUE(out.isEmpty()) << out.constData();
    ASSERT_TRUE(QFile::exists(config)) << "config.ini was not written";
    const QSettings ini(config, QSettings::IniFormat);
    EXPECT_EQ(ini.status(), QSettings::NoError);
    EXPECT_FLOAT_EQ(ini.value("Version").toFloat(), 1.01f);
    EXPECT_TRUE(ini.contains("Geometry/Main"));
    EXPECT_EQ(ini.value("Global/UseVR").toBool(), c.vr);
}

INSTANTIATE_TEST_SUITE_P(Closers, MainWindowCloseTest,
                         testing::Values(CloseCase{"WindowManager", Closer::WindowManager, false},
                                         CloseCase{"WindowManagerWithVR", Closer::WindowManager, true},
                                         CloseCase{"SignalWithVR", Closer::Signal, true},
                                         CloseCase{"SignalAfterRandomConfig", Closer::Signal, false, true}),
                         [](const testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

}  // namespace
