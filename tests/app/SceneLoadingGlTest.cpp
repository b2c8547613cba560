// The real executable started from a scratch folder with a resource tree made for each case: which model it
// shows, the fallbacks it takes and what it logs.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <string>

#include "support/ModelBuilder.h"

namespace {

const QString kBin = QStringLiteral(MNX_BIN_DIR);

class SceneLoadingTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_exe = m_dir.filePath("marionix");
        ASSERT_TRUE(QFile::copy(kBin + "/marionix", m_exe));
        QFile(m_exe).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(m_dir.path()).mkpath("resource/model");
        QDir(m_dir.path()).mkpath("resource/accessory");
        // The shared toons and pose sets as the build generates them.
        QFile::link(kBin + "/resource/toontex", resource("toontex"));
        QFile::link(kBin + "/resource/pose", resource("pose"));
    }

    QString resource(const QString& relative) const { return m_dir.filePath("resource/" + relative); }
    QString configPath() const { return m_dir.filePath("config.ini"); }

    // A small box model, enough for the app to load and list.
    static void writeBox(const QString& path) {
        mnx::test::ModelBuilder b;
        const int root = b.AddBone("センター", {0, 0, 0});
        b.AddBone("頭", {0, 15, 0}, root);
        for (int i = 0; i < 3; ++i) b.AddVertex({float(i), float(i % 2), 0}, root);
        b.AddTriangle(0, 1, 2);
        b.AddMaterial("box");
        QDir().mkpath(QFileInfo(path).path());
        ASSERT_TRUE(b.WriteFile(path.toStdString()));
    }

    void writeConfig(const QString& text) {
        QFile file(configPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    // Runs the app until it logs `line` (however slowly it starts; a minute at most), then closes it normally.
    int run(const QString& line) {
        QProcess app;
        app.setWorkingDirectory(m_dir.path());
        app.setReadChannel(QProcess::StandardError);
        app.start(m_exe, QStringList());
        if (!app.waitForStarted(10000)) return -1;
        QByteArray log;
        QElapsedTimer waited;
        waited.start();
        while (!QString::fromUtf8(log).contains(line) && app.state() == QProcess::Running && waited.elapsed() < 60000) {
            app.waitForReadyRead(100);
            log += app.readAllStandardError();
        }
        ::kill(static_cast<pid_t>(app.processId()), SIGTERM);
        if (!app.waitForFinished(30000)) {
            app.kill();
            return -1;
        }
        m_log = QString::fromUtf8(log + app.readAllStandardError());
        return app.exitStatus() == QProcess::NormalExit ? app.exitCode() : -1;
    }

    bool logged(const QString& line) const { return m_log.contains(line); }

    QTemporaryDir m_dir;
    QString m_exe;
    QString m_log;
};

// One model at resource/model/a_box/box.pmx (a box, or bytes that are no model) and a config.ini; "%1" stands
// for the resource folder.
struct SceneCase {
    const char* name;
    bool corrupt;
    const char* config;
    const char* awaited;  // the log line that ends the run
    const char* expected;
};

class SceneCaseTest : public SceneLoadingTest, public testing::WithParamInterface<SceneCase> {};

TEST_P(SceneCaseTest, LogsTheModelAndMotionItChose) {
    const SceneCase& c = GetParam();
    const QString box = resource("model/a_box/box.pmx");
    if (c.corrupt) {
        QDir().mkpath(QFileInfo(box).path());
        QFile file(box);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("PMX \x00\x00\x00\x40 definitely not a model", 32);
    } else {
        writeBox(box);
    }
    const QString root = m_dir.filePath("resource");
    writeConfig(QString::fromUtf8(c.config).replace("%1", root));
    ASSERT_EQ(run(QString::fromUtf8(c.awaited)), 0) << m_log.toStdString();
    EXPECT_TRUE(logged(QString::fromUtf8(c.expected).replace("%1", root))) << m_log.toStdString();
    if (c.corrupt) {
        EXPECT_FALSE(logged("setup [OK]."));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SceneCaseTest,
    testing::Values(
        // The list does not hold the vanished file, so the name is dropped and the first model found is taken.
        SceneCase{"VanishedStoredModel", false, "[Global]\nPmxName=%1/model/gone/gone.pmx\n", "loaded. ",
                  "loaded. %1/model/a_box/box.pmx"},
        SceneCase{"CorruptModel", true, "", "Failed to load pmx file. ",
                  "Failed to load pmx file. %1/model/a_box/box.pmx"},
        // A missing pose set plays the default idle loop (7 s, 210 frames); the other bundled set is 240 long.
        SceneCase{"MissingPoseSet", false, "[Model]\nbox\\PoseSet=nowhere\n", "GetMaxKeyTime: ", "GetMaxKeyTime: 210"},
        SceneCase{"OtherPoseSet", false, "[Model]\nbox\\PoseSet=relaxed\n", "GetMaxKeyTime: ", "GetMaxKeyTime: 240"}),
    [](const testing::TestParamInfo<SceneCase>& info) { return std::string(info.param.name); });

}  // namespace
