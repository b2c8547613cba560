// The real executable started from a scratch folder with a resource tree made for each case: which model it
// shows, the fallbacks it takes and what it logs, and what the screen shows.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <functional>
#include <utility>

#include "support/ModelBuilder.h"

namespace {

const QString kBin = QStringLiteral(MNX_BIN_DIR);
const QString kFixtureModel = QStringLiteral(MNX_FIXTURES_DIR "/real/miku_v2/index.pmx");

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

    void linkSample(const QString& folder = "model/0_sample") {
        QDir(m_dir.path()).mkpath("resource/" + folder);
        for (const QString& name : QDir(kBin + "/resource/model/0_sample").entryList(QDir::Files)) {
            QFile::link(kBin + "/resource/model/0_sample/" + name, resource(folder + "/" + name));
        }
        QFile::link(kBin + "/resource/model/0_sample/tex", resource(folder + "/tex"));
    }

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

    // Runs the app for `seconds`, calling `during` at the given moments, then closes it normally.
    int run(double seconds, const std::vector<std::pair<double, std::function<void()>>>& during = {}) {
        QProcess app;
        app.setWorkingDirectory(m_dir.path());
        app.start(m_exe, QStringList());
        if (!app.waitForStarted(10000)) return -1;
        double at = 0.0;
        for (const auto& [when, action] : during) {
            QThread::msleep(static_cast<unsigned long>((when - at) * 1000.0));
            at = when;
            action();
        }
        if (seconds > at) QThread::msleep(static_cast<unsigned long>((seconds - at) * 1000.0));
        ::kill(static_cast<pid_t>(app.processId()), SIGTERM);
        if (!app.waitForFinished(30000)) {
            app.kill();
            return -1;
        }
        m_log = QString::fromUtf8(app.readAllStandardError());
        return app.exitStatus() == QProcess::NormalExit ? app.exitCode() : -1;
    }

    bool logged(const QString& line) const { return m_log.contains(line); }

    QImage screenshot(const QString& name) const {
        const QString path = m_dir.filePath(name + ".png");
        QProcess::execute(QStringLiteral(MNX_BUILD_DIR "/tools/mnxshot/mnxshot"), {path});
        return QImage(path);
    }

    QTemporaryDir m_dir;
    QString m_exe;
    QString m_log;
};

// Pixels of the window area that differ from the background colour.
int figurePixels(const QImage& shot, const QRect& window, QRgb background) {
    int n = 0;
    const QRect area = window.intersected(shot.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) n += (shot.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF);
    }
    return n;
}

TEST_F(SceneLoadingTest, FirstStartShowsTheSampleCharacterMoving) {
    linkSample();
    QImage first;
    QImage second;
    // Late enough for a start-up slowed by a loaded machine (the fade-in included).
    ASSERT_EQ(run(8.5, {{7.0, [&] { first = screenshot("first"); }}, {8.0, [&] { second = screenshot("second"); }}}), 0)
        << m_log.toStdString();
    EXPECT_TRUE(logged("loaded. " + resource("model/0_sample/sample.pmx"))) << m_log.toStdString();
    EXPECT_TRUE(logged("setup [OK]."));
    ASSERT_FALSE(first.isNull());
    QSettings ini(configPath(), QSettings::IniFormat);
    const QRect window = ini.value("Geometry/Main").toRect();
    const QRgb background = QColor(232, 228, 228).rgb();
    // The head fills the middle of the desktop view.
    const QRect centre(window.center() - QPoint(window.width() / 8, window.height() / 8),
                       QSize(window.width() / 4, window.height() / 4));
    EXPECT_GT(figurePixels(first, centre, background), centre.width() * centre.height() / 2);
    // Idle motion and physics: a second later the picture has changed.
    EXPECT_GT(figurePixels(first, window, background), 0);
    int changed = 0;
    for (int y = window.top(); y <= window.bottom(); ++y) {
        for (int x = window.left(); x <= window.right(); ++x) changed += first.pixel(x, y) != second.pixel(x, y);
    }
    EXPECT_GT(changed, 50);
}

TEST_F(SceneLoadingTest, StoredModelIsShown) {
    QDir(m_dir.path()).mkpath("resource/model/miku");
    ASSERT_TRUE(QFile::link(kFixtureModel, resource("model/miku/index.pmx")));
    for (const QString& name :
         QDir(QFileInfo(kFixtureModel).path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile::link(QFileInfo(kFixtureModel).path() + "/" + name, resource("model/miku/" + name));
    }
    writeBox(resource("model/a_box/box.pmx"));
    writeConfig("[Global]\nPmxName=" + resource("model/miku/index.pmx") + "\n");
    ASSERT_EQ(run(2.5), 0) << m_log.toStdString();
    EXPECT_TRUE(logged("loaded. " + resource("model/miku/index.pmx"))) << m_log.toStdString();
    EXPECT_FALSE(logged("Settings::pmxFile not found."));
}

TEST_F(SceneLoadingTest, VanishedStoredModelFallsBackToTheFirstListed) {
    writeBox(resource("model/a_box/box.pmx"));
    writeConfig("[Global]\nPmxName=" + resource("model/gone/gone.pmx") + "\n");
    ASSERT_EQ(run(2.0), 0);
    // The list does not hold the vanished file, so the name is dropped and the first model found is taken.
    EXPECT_TRUE(logged("loaded. " + resource("model/a_box/box.pmx"))) << m_log.toStdString();
}

TEST_F(SceneLoadingTest, CorruptModelLeavesTheAppRunningWithoutACharacter) {
    QDir(m_dir.path()).mkpath("resource/model/broken");
    QFile file(resource("model/broken/broken.pmx"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("PMX \x00\x00\x00\x40 definitely not a model", 32);
    file.close();
    ASSERT_EQ(run(2.0), 0);
    EXPECT_TRUE(logged("Failed to load pmx file. " + resource("model/broken/broken.pmx"))) << m_log.toStdString();
    EXPECT_FALSE(logged("setup [OK]."));
}

// A missing pose set plays the default idle loop (7 s, 210 frames); the other bundled set is 240 frames long.
class PoseSetTest : public SceneLoadingTest, public testing::WithParamInterface<std::pair<const char*, int>> {};

TEST_P(PoseSetTest, StoredPoseSetPicksTheIdleMotion) {
    writeBox(resource("model/a_box/box.pmx"));
    writeConfig(QStringLiteral("[Model]\nbox\\PoseSet=%1\n").arg(GetParam().first));
    ASSERT_EQ(run(2.0), 0);
    EXPECT_TRUE(logged(QStringLiteral("GetMaxKeyTime: %1").arg(GetParam().second))) << m_log.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Sets, PoseSetTest,
                         testing::Values(std::make_pair("nowhere", 210), std::make_pair("relaxed", 240)));

}  // namespace
