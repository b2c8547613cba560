// Starts the real executable from a scratch folder (so its config.ini is the test's own), lets it run, ends it
// the way a desktop session would (SIGTERM, turned into a normal close) and reads what it saved.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPoint>
#include <QRandomGenerator>
#include <QRect>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

namespace {

class MarionixStartupTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_exe = m_dir.filePath("marionix");
        ASSERT_TRUE(QFile::copy(QStringLiteral(MNX_BIN_DIR "/marionix"), m_exe));
        QFile(m_exe).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString configPath() const { return m_dir.filePath("config.ini"); }
    void writeConfig(const QByteArray& bytes) const {
        QFile file(configPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // Runs the app for a moment and ends it through its normal close; returns the exit code, -1 on a crash.
    int runAndClose() {
        QProcess app;
        app.setWorkingDirectory(m_dir.path());
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app.start(m_exe, QStringList());
        if (!app.waitForStarted(10000)) return -1;
        QThread::msleep(1500);
        ::kill(static_cast<pid_t>(app.processId()), SIGTERM);
        if (!app.waitForFinished(20000)) {
            app.kill();
            return -1;
        }
        m_stdout = app.readAllStandardOutput();
        return app.exitStatus() == QProcess::NormalExit ? app.exitCode() : -1;
    }
    void expectCompleteConfig() const {
        QSettings ini(configPath(), QSettings::IniFormat);
        EXPECT_EQ(ini.status(), QSettings::NoError);
        EXPECT_FLOAT_EQ(ini.value("Version").toFloat(), 1.01f);
        for (const char* key : {"Global/UseVR", "Global/Mirror", "Global/RenderAcc", "Global/CaptureType",
                                "Global/VRScalingMatrix", "Global/VRSelfPosMatrix", "Global/VRSelfPosSRT",
                                "Global/VRSelfPosInverseMatrix", "Global/VRSelfPosInverseSRT", "Global/VROffsetMatrix",
                                "Global/CamAddress", "Global/BGColor", "Global/LightDir", "Global/LightColor",
                                "Global/BodyMoveMul", "Global/PmxName", "Global/EdgeMul", "Global/EdgeBrightness",
                                "Global/TransBrow", "Global/NoiseFIlter", "Global/GravityPower",
                                "Global/MorphSensitivity", "Device/0", "Device/5", "Geometry/Main",
                                "Geometry/Control"}) {
            EXPECT_TRUE(ini.contains(key)) << key;
        }
        const QRect main = ini.value("Geometry/Main").toRect();
        EXPECT_EQ(main.topLeft(), QPoint(24, 64));
        EXPECT_GE(main.width(), 640);
        EXPECT_EQ(ini.value("Geometry/Control").toPoint(), QPoint(640, 100));
    }

    QTemporaryDir m_dir;
    QString m_exe;
    QByteArray m_stdout;
};

TEST_F(MarionixStartupTest, FirstRunWritesEveryKeyAndExitsWithZero) {
    EXPECT_EQ(runAndClose(), 0);
    expectCompleteConfig();
}

TEST_F(MarionixStartupTest, RandomBytesInConfigStartWithDefaults) {
    QByteArray garbage(64 * 1024, '\0');
    QRandomGenerator rng(20261206);
    for (char& c : garbage) c = static_cast<char>(rng.bounded(256));
    writeConfig(garbage);
    EXPECT_EQ(runAndClose(), 0);
    expectCompleteConfig();
}

TEST_F(MarionixStartupTest, ValuesOfTheWrongTypeStartWithConversions) {
    writeConfig("[Global]\nUseVR=maybe\nBGColor=blue\nLightDir=a, b\nEdgeMul=@Rect(1 2 3 4)\nNoiseFIlter=1e99\n"
                "[Geometry]\nMain=@Point(1 2)\nControl=text\n");
    EXPECT_EQ(runAndClose(), 0);
    QSettings ini(configPath(), QSettings::IniFormat);
    EXPECT_FLOAT_EQ(ini.value("Version").toFloat(), 1.01f);
    // QVariant's string-to-bool conversion: any text other than "", "0" or "false" is true.
    EXPECT_EQ(ini.value("Global/UseVR").toString(), QStringLiteral("true"));
    EXPECT_EQ(ini.value("Global/CamAddress").toString(), QStringLiteral("192.168.0.1"));
}

// Diagnostics go to standard error; standard output stays clean in a normal run.
TEST_F(MarionixStartupTest, NothingGoesToStandardOutput) {
    EXPECT_EQ(runAndClose(), 0);
    EXPECT_TRUE(m_stdout.isEmpty()) << m_stdout.constData();
}

}  // namespace
