// The settings store against Qt's own QSettings, the independent reader and writer of config.ini.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>

#include "app/base/KySettings.h"

namespace {

QVariantList floats(float start, int count) {
    QVariantList list;
    for (int i = 0; i < count; ++i) list.append(QVariant(start + 0.25f * i));
    return list;
}

class KySettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path() const { return m_dir.filePath(QStringLiteral("config.ini")); }

    void writeFile(const QByteArray& bytes) const {
        QFile file(path());
        ASSERT_TRUE(file.open(QFile::WriteOnly | QFile::Truncate));
        file.write(bytes);
    }

    std::unique_ptr<KySettings> store(const QString& modelName = QString()) const {
        auto s = std::make_unique<KySettings>();
        s->setFileName(path());
        s->modelName = modelName;
        return s;
    }

    QTemporaryDir m_dir;
};

// A file as QSettings writes it: the stored calibration is scale, rotation w x y z, translation; matrices are
// row-major; the colour is its rgba number; per-model values live in the current model's group only.
TEST_F(KySettingsTest, ReadsWhatQSettingsWrote) {
    {
        QSettings raw(path(), QSettings::IniFormat);
        raw.setValue("Global/UseVR", true);
        raw.setValue("Global/Mirror", false);
        raw.setValue("Global/VRSelfPosSRT", floats(1.0f, 10));
        raw.setValue("Global/VRSelfPosMatrix", floats(-3.0f, 16));
        raw.setValue("Global/BGColor", QVariant(static_cast<uint>(QColor(12, 34, 56, 200).rgba())));
        raw.setValue("Global/LightDir", floats(10.0f, 3));
        raw.setValue("Model/model A/PoseSet", QStringLiteral("立ち, pose=2"));
        raw.setValue("Model/model A/LookCam", floats(-12.0f, 3));
        raw.setValue("Model/model A/EyeRotMul", QVariant(1.75f));
        raw.setValue("Model/other/EyeBlinkSensitivity", 2);
    }
    auto s = store(QStringLiteral("model A"));
    s->load();
    s->loadModelSettings();
    EXPECT_TRUE(s->useVR);
    EXPECT_FALSE(s->mirror);
    EXPECT_EQ(s->vrSelfPosSRT, (SRT{{1.0f, 1.25f, 1.5f}, {1.75f, 2.0f, 2.25f, 2.5f}, {2.75f, 3.0f, 3.25f}}));
    EXPECT_EQ(s->vrSelfPosMatrix.at(1, 3), -3.0f + 0.25f * 13);
    EXPECT_EQ(s->bgColor, QColor(12, 34, 56, 200));
    EXPECT_EQ(s->lightDir, (Vector3{10.0f, 10.25f, 10.5f}));
    EXPECT_EQ(s->poseSet, QStringLiteral("立ち, pose=2"));
    EXPECT_EQ(s->lookCam, (Vector3{-12.0f, -11.75f, -11.5f}));
    EXPECT_EQ(s->eyeRotMul, 1.75f);
    EXPECT_EQ(s->eyeBlinkSensitivity, KySettings().eyeBlinkSensitivity) << "another model's group leaked";
}

// What a save writes, read back by QSettings.
TEST_F(KySettingsTest, SaveWritesWhatQSettingsReadsBack) {
    auto s = store(QStringLiteral("alice"));
    s->vrSelfPosSRT = {{1, 2, 3}, {4, 5, 6, 7}, {8, 9, 10}};
    s->vrSelfPosMatrix.at(1, 3) = 42.0f;
    s->bgColor = QColor(1, 2, 3, 4);
    s->poseSet = QStringLiteral("dance");
    s->eyeBlinkSensitivity = -2;
    s->save();

    const QSettings raw(path(), QSettings::IniFormat);
    EXPECT_EQ(raw.status(), QSettings::NoError);
    EXPECT_EQ(raw.value("Version").toFloat(), 1.01f);
    const QVariantList srt = raw.value("Global/VRSelfPosSRT").toList();
    ASSERT_EQ(srt.size(), 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(srt[i].toFloat(), static_cast<float>(i + 1));
    EXPECT_EQ(raw.value("Global/VRSelfPosMatrix").toList().value(13).toFloat(), 42.0f);
    EXPECT_EQ(raw.value("Global/BGColor").toUInt(), QColor(1, 2, 3, 4).rgba());
    EXPECT_EQ(raw.value("Model/alice/PoseSet").toString(), "dance");
    EXPECT_EQ(raw.value("Model/alice/EyeBlinkSensitivity").toInt(), -2);
}

// Huge, non-finite and short values: the store keeps finite values and reads what it can.
TEST_F(KySettingsTest, HostileNumbersNeverBecomeSettings) {
    writeFile(
        "[Global]\nEdgeMul=1e999\nTransBrow=nan\nGravityPower=-inf\nLightDir=1e39, 2, nan\nVRSelfPosSRT=9, 8\n"
        "LightColor=1, 2, 3, 4, 5\nCaptureType=99999999999\n[Model]\nm\\EyeRotMul=inf\n");
    auto s = store(QStringLiteral("m"));
    s->load();
    s->loadModelSettings();
    const KySettings d;
    EXPECT_EQ(s->edgeMul, d.edgeMul);
    EXPECT_EQ(s->transBrow, d.transBrow);
    EXPECT_EQ(s->gravityPower, d.gravityPower);
    EXPECT_EQ(s->lightDir, (Vector3{d.lightDir.x, 2, d.lightDir.z}));
    EXPECT_EQ(s->lightColor, (Vector3{1, 2, 3}));
    EXPECT_EQ(s->vrSelfPosSRT, (SRT{{9, 8, 0}, {0, 0, 0, 0}, {0, 0, 0}})) << "missing elements read as zero";
    EXPECT_EQ(s->eyeRotMul, d.eyeRotMul);
}

// A save drops the groups of models that are gone from the model folder (any depth, ".pmx" exactly, the current
// and the stored model kept), and only when that folder is known.
TEST_F(KySettingsTest, StaleModelGroupsArePrunedOnlyWithAKnownModelTree) {
    const QString resource = m_dir.filePath("resource");
    for (const char* file : {"model/sub/deep/b.pmx", "model/c/C.PMX", "model/d/d.pmx.txt"}) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(resource + "/" + file).path()));
        ASSERT_TRUE(QFile(resource + "/" + file).open(QFile::WriteOnly));
    }
    for (const QString& tree : {m_dir.filePath("missing"), resource}) {
        {
            QSettings raw(path(), QSettings::IniFormat);
            for (const char* name : {"b", "C", "d.pmx", "gone", "fromPmx", "current"}) {
                raw.setValue(QStringLiteral("Model/%1/PoseSet").arg(name), "x");
            }
        }
        auto s = store(QStringLiteral("current"));
        s->resourceDir = tree;
        s->pmxName = QStringLiteral("D:\\anywhere\\fromPmx.pmx");
        s->save();
        QSettings raw(path(), QSettings::IniFormat);
        raw.beginGroup("Model");
        QStringList groups = raw.childGroups();
        groups.sort();
        EXPECT_EQ(groups.size(), tree == resource ? 3 : 6) << groups.join(", ").toStdString();
        EXPECT_EQ(groups.contains("gone"), tree != resource);
        EXPECT_TRUE(groups.contains("b") && groups.contains("fromPmx") && groups.contains("current"));
    }
}

QStringList g_warnings;
void collect(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg) g_warnings.append(text);
}

// Fails when QSettings' failed sync goes unreported: the user's settings are lost with no trace in the log.
TEST_F(KySettingsTest, UnwritableFileIsReportedInTheLog) {
    ASSERT_TRUE(QDir().mkpath(path()));  // a folder where the file should be
    for (const QString& file : {path(), m_dir.filePath(QStringLiteral("writable.ini"))}) {
        KySettings settings;
        settings.setFileName(file);
        g_warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collect);
        settings.save();
        qInstallMessageHandler(previous);
        if (file != path()) {
            EXPECT_TRUE(g_warnings.isEmpty()) << g_warnings.join('\n').toStdString();
            continue;
        }
        ASSERT_EQ(g_warnings.size(), 1);
        EXPECT_TRUE(g_warnings.first().contains(QStringLiteral("cannot write"))) << g_warnings.first().toStdString();
        EXPECT_TRUE(g_warnings.first().contains(QStringLiteral("config.ini")));
    }
}

// Saves forever, alternating two complete contents; run as a child process and killed by the test below.
constexpr char kSaveLoopVariable[] = "MNX_SAVE_LOOP_FILE";

QString serialFor(const QString& marker, int index) { return QString(4096, marker.at(0)) + QString::number(index); }

TEST(KySettingsSaveLoop, DISABLED_SaveForeverChild) {
    const QString file = qEnvironmentVariable(kSaveLoopVariable);
    ASSERT_FALSE(file.isEmpty());
    KySettings s;
    s.setFileName(file);
    for (quint64 round = 0;; ++round) {
        const QString marker = round % 2 ? QStringLiteral("A") : QStringLiteral("B");
        s.camAddress = marker;
        for (int i = 0; i < 6; ++i) s.deviceSerials[i] = serialFor(marker, i);
        s.save();
    }
}

// Fails when a save writes config.ini in place: a kill mid-write leaves half a file and the settings are lost.
// Each child is killed only once it has saved at least once, however slowly it starts.
TEST_F(KySettingsTest, KillDuringSaveLeavesACompleteFile) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kSaveLoopVariable, path());
    for (int attempt = 0; attempt < 8; ++attempt) {
        auto initial = store();
        initial->camAddress = QStringLiteral("I");
        initial->save();
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_also_run_disabled_tests", "--gtest_filter=KySettingsSaveLoop.DISABLED_SaveForeverChild"});
        ASSERT_TRUE(child.waitForStarted());
        QElapsedTimer waited;
        waited.start();
        while (QSettings(path(), QSettings::IniFormat).value("Global/CamAddress").toString() == "I") {
            ASSERT_LT(waited.elapsed(), 60000) << "the child never completed a save";
            QThread::msleep(5);
        }
        QThread::msleep(QRandomGenerator::global()->bounded(40));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished());

        const QSettings raw(path(), QSettings::IniFormat);
        ASSERT_EQ(raw.status(), QSettings::NoError);
        const QString marker = raw.value("Global/CamAddress").toString();
        ASSERT_TRUE(marker == "A" || marker == "B") << marker.toStdString();
        for (int i = 0; i < 6; ++i) {
            ASSERT_EQ(raw.value(QStringLiteral("Device/%1").arg(i)).toString(), serialFor(marker, i))
                << "attempt " << attempt;
        }
        ASSERT_EQ(raw.value("Geometry/Control").toPoint(), QPoint(640, 100));
    }
}

}  // namespace
