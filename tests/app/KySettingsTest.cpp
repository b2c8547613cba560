#include "app/base/KySettings.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <cmath>
#include <limits>

#include "app/base/DpiScale.h"

namespace {

// Every key a save writes when a model is current; "Model/m/..." stands for the per-model group.
const QStringList kGlobalKeys = {
    "Version",
    "Global/UseVR",
    "Global/Mirror",
    "Global/RenderAcc",
    "Global/CaptureType",
    "Global/VmcReceivePort",
    "Global/VmcSend",
    "Global/VmcSendHost",
    "Global/VmcSendPort",
    "Global/VRScalingMatrix",
    "Global/VRSelfPosMatrix",
    "Global/VRSelfPosSRT",
    "Global/VRSelfPosInverseMatrix",
    "Global/VRSelfPosInverseSRT",
    "Global/VROffsetMatrix",
    "Global/CamAddress",
    "Global/BGColor",
    "Global/LightDir",
    "Global/LightColor",
    "Global/BodyMoveMul",
    "Global/PmxName",
    "Global/EdgeMul",
    "Global/EdgeBrightness",
    "Global/TransBrow",
    "Global/NoiseFIlter",
    "Global/GravityPower",
    "Global/MorphSensitivity",
    "Device/0",
    "Device/1",
    "Device/2",
    "Device/3",
    "Device/4",
    "Device/5",
    "Geometry/Main",
    "Geometry/Control",
};
const QStringList kModelKeys = {
    "HeadAngle",          "EyeAngle",         "EyeBlinkSensitivity",  "EyeWideSensitivity",  "EyeSquintSensitivity",
    "MouthStretchSensitivity", "CheekSquintSensitivity", "NoseSneerSensitivity", "BrowDownSensitivity", "EyeRotMul",
    "HeadPos",            "PoseSet",          "LookCam",              "LowerBodyMoveMul",
};

Matrix4 sequenceMatrix(float start) {
    Matrix4 m;
    for (int i = 0; i < 16; ++i) m.m[i] = start + 0.25f * i;
    return m;
}

// A store whose every persisted field differs from its default.
void fillNonDefault(KySettings& s) {
    s.useVR = true;
    s.mirror = false;
    s.renderAcc = false;
    s.captureType = 3;
    s.headAngle = {1.5f, -2.25f, 3.0f};
    s.eyeAngle = {-4.0f, 5.5f, 0.125f};
    s.bodyMoveMul = {0.1f, 0.2f, 0.3f};
    s.lowerBodyMoveMul = {0.7f, 0.8f, 0.9f};
    s.eyeRotMul = 1.7f;
    s.edgeMul = 2.5f;
    s.edgeBrightness = 0.33f;
    s.transBrow = 0.75f;
    s.gravityPower = 9.81f;
    s.morphSensitivity = -2;
    s.eyeBlinkSensitivity = 1;
    s.eyeWideSensitivity = 2;
    s.eyeSquintSensitivity = -1;
    s.mouthStretchSensitivity = -2;
    s.cheekSquintSensitivity = 2;
    s.noseSneerSensitivity = 1;
    s.browDownSensitivity = -1;
    s.lookCam = {-12.0f, 7.0f, 33.0f};
    s.headPos = {0.5f, 15.25f, -0.75f};
    s.poseSet = QStringLiteral("立ち, pose=2");
    s.camAddress = QStringLiteral("10.1.2.3");
    s.bgColor = QColor(12, 34, 56, 200);
    s.pmxName = QStringLiteral("C:\\models\\ミク\\m.pmx");
    for (int i = 0; i < 6; ++i) s.deviceSerials[i] = QStringLiteral("LHR-%1,x").arg(i * 1111);
    s.mainGeometry = QRect(-100, 2000, 1234, 567);
    s.controlPos = QPoint(-5, 7);
    s.vrScalingMatrix = sequenceMatrix(1.0f);
    s.vrSelfPosMatrix = sequenceMatrix(-3.0f);
    s.vrSelfPosSRT = {{1.1f, 1.2f, 1.3f}, {0.5f, -0.5f, 0.5f, -0.5f}, {7.0f, 8.0f, 9.0f}};
    s.vrSelfPosInverseMatrix = sequenceMatrix(100.0f);
    s.vrSelfPosInverseSRT = {{2.0f, 3.0f, 4.0f}, {0.0f, 1.0f, 0.0f, 0.0f}, {-1.0f, -2.0f, -3.0f}};
    s.vrOffsetMatrix = sequenceMatrix(0.001f);
    s.lightDir = {10.0f, 20.0f, 30.0f};
    s.lightColor = {0.1f, 0.9f, 0.5f};
    s.noiseFilter = 4;
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

    // A store on this test's file with the given current model.
    std::unique_ptr<KySettings> store(const QString& modelName = QString()) const {
        auto s = std::make_unique<KySettings>();
        s->setFileName(path());
        s->modelName = modelName;
        return s;
    }

    QTemporaryDir m_dir;
};

void expectDefaults(const KySettings& s) {
    const KySettings d;
    EXPECT_EQ(s.useVR, d.useVR);
    EXPECT_EQ(s.mirror, d.mirror);
    EXPECT_EQ(s.renderAcc, d.renderAcc);
    EXPECT_EQ(s.captureType, d.captureType);
    EXPECT_EQ(s.vrSelfPosMatrix, d.vrSelfPosMatrix);
    EXPECT_EQ(s.vrSelfPosSRT, d.vrSelfPosSRT);
    EXPECT_EQ(s.vrSelfPosInverseMatrix, d.vrSelfPosInverseMatrix);
    EXPECT_EQ(s.vrSelfPosInverseSRT, d.vrSelfPosInverseSRT);
    EXPECT_EQ(s.camAddress, d.camAddress);
    EXPECT_EQ(s.bgColor, d.bgColor);
    EXPECT_EQ(s.lightDir, d.lightDir);
    EXPECT_EQ(s.lightColor, d.lightColor);
    EXPECT_EQ(s.bodyMoveMul, d.bodyMoveMul);
    EXPECT_EQ(s.pmxName, d.pmxName);
    EXPECT_EQ(s.edgeMul, d.edgeMul);
    EXPECT_EQ(s.edgeBrightness, d.edgeBrightness);
    EXPECT_EQ(s.transBrow, d.transBrow);
    EXPECT_EQ(s.noiseFilter, d.noiseFilter);
    EXPECT_EQ(s.gravityPower, d.gravityPower);
    EXPECT_EQ(s.morphSensitivity, d.morphSensitivity);
    EXPECT_EQ(s.deviceSerials, d.deviceSerials);
    EXPECT_EQ(s.mainGeometry, d.mainGeometry);
    EXPECT_EQ(s.controlPos, d.controlPos);
}

TEST_F(KySettingsTest, DefaultsAreTheDocumentedOnes) {
    const KySettings s;
    EXPECT_FALSE(s.useVR);
    EXPECT_TRUE(s.mirror);
    EXPECT_TRUE(s.renderAcc);
    EXPECT_FLOAT_EQ(s.userHeight, 1.76f);
    EXPECT_FLOAT_EQ(s.userShoulderHeight, 1.44f);
    EXPECT_EQ(s.lookCam, (Vector3{0, 0, 16}));
    EXPECT_EQ(s.headPos, (Vector3{0, 16, 0}));
    EXPECT_EQ(s.poseSet, "default");
    EXPECT_EQ(s.bgColor, QColor(232, 228, 228, 255));
    EXPECT_EQ(s.mainGeometry, QRect(24, 64, dpiScaled(640), dpiScaled(360)));
    EXPECT_EQ(s.vrSelfPosSRT.scale, (Vector3{0, 0, 0}));
    EXPECT_EQ(s.vrSelfPosSRT.rotation, (Quaternion{1, 0, 0, 0}));
    EXPECT_EQ(s.lightDir, (Vector3{-90, -180, -90}));
    EXPECT_EQ(s.noiseFilter, 10);
    EXPECT_EQ(s.vrScalingMatrix, Matrix4{});
    EXPECT_EQ(Matrix4{}.at(3, 3), 1.0f);
}

TEST_F(KySettingsTest, EveryFieldRoundTripsThroughSaveAndLoad) {
    auto written = store(QStringLiteral("model A"));
    fillNonDefault(*written);
    written->save();

    auto read = store(QStringLiteral("model A"));
    int loadedSignals = 0;
    QObject::connect(read.get(), &KySettings::modelLoaded, [&] { ++loadedSignals; });
    read->load();
    read->loadModelSettings();
    EXPECT_EQ(loadedSignals, 1);

    const KySettings& w = *written;
    const KySettings& r = *read;
    EXPECT_EQ(r.useVR, w.useVR);
    EXPECT_EQ(r.mirror, w.mirror);
    EXPECT_EQ(r.renderAcc, w.renderAcc);
    EXPECT_EQ(r.captureType, w.captureType);
    EXPECT_EQ(r.headAngle, w.headAngle);
    EXPECT_EQ(r.eyeAngle, w.eyeAngle);
    EXPECT_EQ(r.bodyMoveMul, w.bodyMoveMul);
    EXPECT_EQ(r.lowerBodyMoveMul, w.lowerBodyMoveMul);
    EXPECT_EQ(r.eyeRotMul, w.eyeRotMul);
    EXPECT_EQ(r.edgeMul, w.edgeMul);
    EXPECT_EQ(r.edgeBrightness, w.edgeBrightness);
    EXPECT_EQ(r.transBrow, w.transBrow);
    EXPECT_EQ(r.gravityPower, w.gravityPower);
    EXPECT_EQ(r.morphSensitivity, w.morphSensitivity);
    EXPECT_EQ(r.eyeBlinkSensitivity, w.eyeBlinkSensitivity);
    EXPECT_EQ(r.eyeWideSensitivity, w.eyeWideSensitivity);
    EXPECT_EQ(r.eyeSquintSensitivity, w.eyeSquintSensitivity);
    EXPECT_EQ(r.mouthStretchSensitivity, w.mouthStretchSensitivity);
    EXPECT_EQ(r.cheekSquintSensitivity, w.cheekSquintSensitivity);
    EXPECT_EQ(r.noseSneerSensitivity, w.noseSneerSensitivity);
    EXPECT_EQ(r.browDownSensitivity, w.browDownSensitivity);
    EXPECT_EQ(r.lookCam, w.lookCam);
    EXPECT_EQ(r.headPos, w.headPos);
    EXPECT_EQ(r.poseSet, w.poseSet);
    EXPECT_EQ(r.camAddress, w.camAddress);
    EXPECT_EQ(r.bgColor, w.bgColor);
    EXPECT_EQ(r.bgColor.alpha(), 200);
    EXPECT_EQ(r.pmxName, w.pmxName);
    EXPECT_EQ(r.deviceSerials, w.deviceSerials);
    EXPECT_EQ(r.mainGeometry, w.mainGeometry);
    EXPECT_EQ(r.controlPos, w.controlPos);
    EXPECT_EQ(r.vrSelfPosMatrix, w.vrSelfPosMatrix);
    EXPECT_EQ(r.vrSelfPosSRT, w.vrSelfPosSRT);
    EXPECT_EQ(r.vrSelfPosInverseMatrix, w.vrSelfPosInverseMatrix);
    EXPECT_EQ(r.vrSelfPosInverseSRT, w.vrSelfPosInverseSRT);
    EXPECT_EQ(r.lightDir, w.lightDir);
    EXPECT_EQ(r.lightColor, w.lightColor);
    EXPECT_EQ(r.noiseFilter, w.noiseFilter);

    // Written but never read: loading keeps the in-memory identity.
    EXPECT_EQ(r.vrScalingMatrix, Matrix4{});
    EXPECT_EQ(r.vrOffsetMatrix, Matrix4{});
}

TEST_F(KySettingsTest, ValuesAreStoredInTheDocumentedEncoding) {
    auto s = store(QStringLiteral("m"));
    s->vrSelfPosSRT = {{1, 2, 3}, {4, 5, 6, 7}, {8, 9, 10}};
    s->vrSelfPosMatrix.at(1, 3) = 42.0f;  // row 1, column 3: index 13
    s->save();

    const QSettings raw(path(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Version").userType(), QMetaType::Float);
    EXPECT_EQ(raw.value("Version").toFloat(), 1.01f);
    EXPECT_EQ(raw.value("Global/BGColor").toString(), QString::number(QColor(232, 228, 228).rgba()));
    EXPECT_EQ(raw.value("Global/Mirror").toString(), "true");
    EXPECT_EQ(raw.value("Global/UseVR").toString(), "false");
    EXPECT_EQ(raw.value("Global/EdgeMul").userType(), QMetaType::Float);

    const QVariantList srt = raw.value("Global/VRSelfPosSRT").toList();
    ASSERT_EQ(srt.size(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(srt[i].userType(), QMetaType::Float);
        EXPECT_EQ(srt[i].toFloat(), static_cast<float>(i + 1));
    }
    const QVariantList matrix = raw.value("Global/VRSelfPosMatrix").toList();
    ASSERT_EQ(matrix.size(), 16);
    EXPECT_EQ(matrix[13].toFloat(), 42.0f);
    EXPECT_EQ(matrix[15].toFloat(), 1.0f);
    EXPECT_EQ(raw.value("Model/m/LookCam").toList().size(), 3);
}

TEST_F(KySettingsTest, FirstSaveWritesEveryKey) {
    ASSERT_FALSE(QFile::exists(path()));
    auto s = store(QStringLiteral("m"));
    s->load();
    s->save();

    const QSettings raw(path(), QSettings::IniFormat);
    EXPECT_EQ(raw.status(), QSettings::NoError);
    QStringList expected = kGlobalKeys;
    for (const QString& key : kModelKeys) expected << "Model/m/" + key;
    QStringList actual = raw.allKeys();
    expected.sort();
    actual.sort();
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(raw.value("Version").toFloat(), 1.01f);
    EXPECT_EQ(raw.value("Geometry/Main").toRect(), QRect(24, 64, dpiScaled(640), dpiScaled(360)));
    EXPECT_EQ(raw.value("Geometry/Control").toPoint(), QPoint(640, 100));
}

TEST_F(KySettingsTest, WithoutModelNoModelGroupIsWritten) {
    store()->save();
    const QSettings raw(path(), QSettings::IniFormat);
    EXPECT_TRUE(raw.childGroups().contains("Global"));
    EXPECT_FALSE(raw.childGroups().contains("Model"));
}

TEST_F(KySettingsTest, PerModelValuesLiveInTheGroupOfTheCurrentModel) {
    auto a = store(QStringLiteral("alice"));
    a->lookCam = {1, 2, 30};
    a->poseSet = QStringLiteral("dance");
    a->eyeBlinkSensitivity = 2;
    a->save();

    const QSettings raw(path(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Model/alice/PoseSet").toString(), "dance");

    auto other = store(QStringLiteral("bob"));
    other->lookCam = {5, 5, 5};
    other->loadModelSettings();
    EXPECT_EQ(other->lookCam, (Vector3{5, 5, 5})) << "another model's group must not leak";
    EXPECT_EQ(other->poseSet, "default");

    other->modelName = QStringLiteral("alice");
    other->loadModelSettings();
    EXPECT_EQ(other->lookCam, (Vector3{1, 2, 30}));
    EXPECT_EQ(other->poseSet, "dance");
    EXPECT_EQ(other->eyeBlinkSensitivity, 2);
}

TEST_F(KySettingsTest, ScalingAndOffsetMatricesAreWrittenButNeverRead) {
    auto s = store();
    s->vrScalingMatrix = sequenceMatrix(2.0f);
    s->vrOffsetMatrix = sequenceMatrix(-2.0f);
    s->save();
    {
        QSettings raw(path(), QSettings::IniFormat);
        const QVariantList nines = QVector<QVariant>(16, QVariant(9.0f)).toList();
        raw.setValue("Global/VRScalingMatrix", nines);
        raw.setValue("Global/VROffsetMatrix", nines);
    }
    s->load();
    EXPECT_EQ(s->vrScalingMatrix, sequenceMatrix(2.0f));
    EXPECT_EQ(s->vrOffsetMatrix, sequenceMatrix(-2.0f));

    s->save();
    const QSettings raw(path(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Global/VRScalingMatrix").toList().at(1).toFloat(), 2.25f);
    EXPECT_EQ(raw.value("Global/VROffsetMatrix").toList().at(0).toFloat(), -2.0f);
}

class VersionTest : public KySettingsTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(VersionTest, AnyVersionLoadsTheSame) {
    const QByteArray body = "[Global]\nMirror=false\nCaptureType=7\n";
    writeFile(GetParam() + body);
    auto s = store();
    s->load();
    EXPECT_FALSE(s->mirror);
    EXPECT_EQ(s->captureType, 7);
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionTest,
                         ::testing::Values("", "[General]\nVersion=abc\n", "[General]\nVersion=99\n",
                                           "[General]\nVersion=@Variant(\\0\\0\\0\\x87?\\x81G\\xae)\n"));

TEST_F(KySettingsTest, StaleModelGroupsArePruned) {
    const QString resource = m_dir.filePath("resource");
    for (const char* file : {"model/a/a.pmx", "model/sub/deep/b.pmx", "model/c/C.PMX", "model/d/d.pmx.txt"}) {
        const QString filePath = resource + "/" + file;
        ASSERT_TRUE(QDir().mkpath(QFileInfo(filePath).path()));
        QFile f(filePath);
        ASSERT_TRUE(f.open(QFile::WriteOnly));
    }
    {
        QSettings raw(path(), QSettings::IniFormat);
        for (const char* name : {"a", "b", "C", "d.pmx", "gone", "fromPmx", "current"}) {
            raw.setValue(QStringLiteral("Model/%1/PoseSet").arg(name), "x");
        }
        raw.setValue("Model/gone/Nested/Deeper", 1);
        raw.setValue("Other/keep", 1);
    }
    auto s = store(QStringLiteral("current"));
    s->resourceDir = resource;
    s->pmxName = QStringLiteral("D:\\anywhere\\fromPmx.pmx");
    s->save();

    QSettings raw(path(), QSettings::IniFormat);
    raw.beginGroup("Model");
    QStringList groups = raw.childGroups();
    groups.sort();
    // C.PMX: the suffix comparison is case-sensitive; d.pmx.txt is not a model file.
    EXPECT_EQ(groups, (QStringList{"a", "b", "current", "fromPmx"}));
    raw.endGroup();
    EXPECT_TRUE(raw.contains("Other/keep"));
}

TEST_F(KySettingsTest, PruningNeedsAKnownModelTree) {
    for (const QString& resourceDir : {QString(), m_dir.filePath("missing")}) {
        {
            QSettings raw(path(), QSettings::IniFormat);
            raw.setValue("Model/elsewhere/PoseSet", "x");
        }
        auto s = store(QStringLiteral("current"));
        s->resourceDir = resourceDir;
        s->save();
        const QSettings raw(path(), QSettings::IniFormat);
        EXPECT_TRUE(raw.contains("Model/elsewhere/PoseSet")) << resourceDir.toStdString();
    }
}

TEST_F(KySettingsTest, SixtyFourKibOfRandomBytesLoadAsDefaultsAndSaveCleanly) {
    for (quint32 seed : {1u, 2u, 3u, 4u, 5u}) {
        QByteArray junk(64 * 1024, '\0');
        QRandomGenerator rng(seed);
        for (char& c : junk) c = static_cast<char>(rng.generate() & 0xff);
        writeFile(junk);

        auto s = store(QStringLiteral("m"));
        s->load();
        s->loadModelSettings();
        expectDefaults(*s);
        s->save();

        const QSettings raw(path(), QSettings::IniFormat);
        EXPECT_EQ(raw.status(), QSettings::NoError) << "seed " << seed;
        EXPECT_EQ(raw.value("Version").toFloat(), 1.01f);
        auto reread = store(QStringLiteral("m"));
        reread->load();
        expectDefaults(*reread);
    }
}

TEST_F(KySettingsTest, ValuesOfTheWrongTypeGiveQVariantConversions) {
    QByteArray text = "[General]\nVersion=abc\n[Global]\n";
    for (const QString& key : kGlobalKeys) {
        if (key.startsWith("Global/")) text += key.mid(7).toUtf8() + "=abc\n";
    }
    text += "[Device]\n0=@Rect(1 2 3 4)\n[Geometry]\nMain=abc\nControl=abc\n";
    text += "[Model]\nm\\EyeAngle=abc\nm\\EyeBlinkSensitivity=abc\nm\\EyeRotMul=abc\nm\\PoseSet=1, 2\n";
    writeFile(text);

    auto s = store(QStringLiteral("m"));
    s->load();
    s->loadModelSettings();
    EXPECT_TRUE(s->useVR) << "QVariant turns any string other than \"\", \"0\", \"false\" into true";
    EXPECT_EQ(s->captureType, 0);
    EXPECT_EQ(s->edgeMul, 0.0f);
    EXPECT_EQ(s->gravityPower, 0.0f);
    EXPECT_EQ(s->noiseFilter, 0);
    EXPECT_EQ(s->lightDir, (Vector3{0, 0, 0}));
    Matrix4 zero;
    zero.m.fill(0.0f);
    EXPECT_EQ(s->vrSelfPosMatrix, zero);
    EXPECT_EQ(s->vrSelfPosSRT, (SRT{{0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0}}));
    EXPECT_EQ(s->camAddress, "abc");
    EXPECT_EQ(s->bgColor.rgba(), 0u);
    EXPECT_EQ(s->deviceSerials[0], QString());
    EXPECT_EQ(s->mainGeometry, QRect());
    EXPECT_EQ(s->controlPos, QPoint(0, 0));
    EXPECT_EQ(s->eyeAngle, (Vector3{0, 0, 0}));
    EXPECT_EQ(s->eyeBlinkSensitivity, 0);
    EXPECT_EQ(s->eyeRotMul, 0.0f);
    EXPECT_EQ(s->poseSet, QVariant(QStringList{"1", "2"}).toString());
}

TEST_F(KySettingsTest, ShortListsFillTheMissingElementsWithZero) {
    writeFile(
        "[Global]\nLightDir=1, 2\nVRSelfPosMatrix=5, 6, 7\nVRSelfPosSRT=9, 8\nBodyMoveMul=@Invalid()\n"
        "LightColor=1, 2, 3, 4, 5\n");
    auto s = store();
    s->load();
    EXPECT_EQ(s->lightDir, (Vector3{1, 2, 0}));
    EXPECT_EQ(s->lightColor, (Vector3{1, 2, 3}));
    EXPECT_EQ(s->bodyMoveMul, (Vector3{0, 0, 0}));
    Matrix4 expected;
    expected.m.fill(0.0f);
    expected.m[0] = 5;
    expected.m[1] = 6;
    expected.m[2] = 7;
    EXPECT_EQ(s->vrSelfPosMatrix, expected);
    EXPECT_EQ(s->vrSelfPosSRT, (SRT{{9, 8, 0}, {0, 0, 0, 0}, {0, 0, 0}}));
}

TEST_F(KySettingsTest, HugeNumbersNeverBecomeNonFiniteFloats) {
    writeFile(
        "[Global]\nEdgeMul=1e999\nTransBrow=nan\nGravityPower=-inf\nLightDir=1e39, 2, nan\n"
        "CaptureType=99999999999\nNoiseFIlter=-2147483649\nBGColor=99999999999\n"
        "[Geometry]\nMain=@Rect(2147483647 -2147483648 2147483647 2147483647)\n");
    auto s = store();
    s->load();
    const KySettings d;
    EXPECT_EQ(s->edgeMul, d.edgeMul);
    EXPECT_EQ(s->transBrow, d.transBrow);
    EXPECT_EQ(s->gravityPower, d.gravityPower);
    EXPECT_EQ(s->lightDir, (Vector3{d.lightDir.x, 2, d.lightDir.z}));
    // Integers convert as QVariant converts them; consumers clamp what they use as a size or index.
    EXPECT_EQ(s->captureType, QVariant(QString("99999999999")).toInt());
    EXPECT_EQ(s->noiseFilter, QVariant(QString("-2147483649")).toInt());
    EXPECT_EQ(s->bgColor.rgba(), QVariant(QString("99999999999")).toUInt());
    EXPECT_EQ(s->mainGeometry.width(), 2147483647);

    // Binary float variants may hold a NaN too.
    {
        QSettings raw(path(), QSettings::IniFormat);
        raw.setValue("Global/EdgeBrightness", QVariant(std::numeric_limits<float>::quiet_NaN()));
        raw.setValue("Model/m/EyeRotMul", QVariant(std::numeric_limits<float>::infinity()));
    }
    s->modelName = QStringLiteral("m");
    s->load();
    s->loadModelSettings();
    EXPECT_EQ(s->edgeBrightness, d.edgeBrightness);
    EXPECT_EQ(s->eyeRotMul, d.eyeRotMul);
}

TEST_F(KySettingsTest, SaveOverAFileWithFormatErrorsWritesAValidFile) {
    writeFile("[Global\nMirror=false\n[Model]\nx\\PoseSet=a\n\x01\x02\x03\n");
    auto s = store();
    s->save();
    const QSettings raw(path(), QSettings::IniFormat);
    EXPECT_EQ(raw.status(), QSettings::NoError);
    EXPECT_EQ(raw.value("Version").toFloat(), 1.01f);
    EXPECT_EQ(raw.value("Global/Mirror").toString(), "true");
}

TEST_F(KySettingsTest, SetBgColorGivesTheMainWindowTheColour) {
    auto s = store();
    s->setBgColor(QColor(1, 2, 3, 4));
    EXPECT_EQ(s->bgColor, QColor(1, 2, 3, 4));

    auto window = std::make_unique<QWidget>();
    s->mainWindow = window.get();
    s->setBgColor(QColor(10, 20, 30, 40));
    EXPECT_EQ(s->bgColor, QColor(10, 20, 30, 40));
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(10, 20, 30));

    window.reset();
    EXPECT_TRUE(s->mainWindow.isNull());
    s->setBgColor(Qt::red);
    EXPECT_EQ(s->bgColor, QColor(Qt::red));
}

TEST_F(KySettingsTest, DefaultFileIsBesideTheExecutable) {
    const KySettings s;
    EXPECT_EQ(QDir::fromNativeSeparators(s.fileName()), QCoreApplication::applicationDirPath() + "/config.ini");
    EXPECT_EQ(store()->fileName(), path());
}

TEST_F(KySettingsTest, AccessorPublishesTheStore) {
    KySettings s;
    setKySettings(&s);
    EXPECT_EQ(kySettings(), &s);
    setKySettings(nullptr);
    EXPECT_EQ(kySettings(), nullptr);
}

// Saves forever, alternating two complete contents; run as a child process and killed by the test below.
constexpr char kSaveLoopVariable[] = "MNX_SAVE_LOOP_FILE";
constexpr int kSerialLength = 4096;

QString serialFor(const QString& marker, int index) {
    return QString(kSerialLength, marker.at(0)) + QString::number(index);
}

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

TEST_F(KySettingsTest, KillDuringSaveLeavesACompleteFile) {
    auto initial = store();
    initial->camAddress = QStringLiteral("I");
    for (int i = 0; i < 6; ++i) initial->deviceSerials[i] = serialFor("I", i);
    initial->save();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kSaveLoopVariable, path());
    int changed = 0;
    for (int attempt = 0; attempt < 12; ++attempt) {
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_also_run_disabled_tests", "--gtest_filter=KySettingsSaveLoop.DISABLED_SaveForeverChild"});
        ASSERT_TRUE(child.waitForStarted());
        QThread::msleep(150 + QRandomGenerator::global()->bounded(150));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished());

        const QSettings raw(path(), QSettings::IniFormat);
        ASSERT_EQ(raw.status(), QSettings::NoError);
        const QString marker = raw.value("Global/CamAddress").toString();
        ASSERT_TRUE(marker == "I" || marker == "A" || marker == "B") << marker.toStdString();
        for (int i = 0; i < 6; ++i) {
            ASSERT_EQ(raw.value(QStringLiteral("Device/%1").arg(i)).toString(), serialFor(marker, i))
                << "attempt " << attempt;
        }
        ASSERT_EQ(raw.value("Geometry/Control").toPoint(), QPoint(640, 100));
        if (marker != "I") ++changed;
    }
    EXPECT_GT(changed, 0) << "the child never completed a save";
}

}  // namespace
