#include "app/base/KySettings.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QPalette>
#include <QSet>
#include <QScopeGuard>
#include <QSettings>
#include <QVariantList>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "app/base/DpiScale.h"
#include "app/base/NativeWindow.h"

namespace {

KySettings* g_settings = nullptr;

constexpr float kVersion = 1.01f;

// Paths inside the application use "\" as the separator; the file system here wants "/".
QString toFilePath(QString path) {
#ifndef Q_OS_WIN
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
    return path;
}

QVariantList floatList(const float* values, int count) {
    QVariantList list;
    list.reserve(count);
    for (int i = 0; i < count; ++i) list.append(QVariant(values[i]));
    return list;
}

// The reads below take the field's current value as the default, so a missing key changes nothing.
// QVariant's own conversions decide what a value of the wrong type becomes; only a non-finite float is refused,
// because nothing downstream (camera clamps, light, physics gravity, calibration matrices) recovers from it.
void readFloat(const QSettings& s, const QString& key, float& field) {
    const float value = s.value(key, QVariant(field)).toFloat();
    if (std::isfinite(value)) field = value;
}

void readInt(const QSettings& s, const QString& key, int& field) { field = s.value(key, field).toInt(); }

void readBool(const QSettings& s, const QString& key, bool& field) { field = s.value(key, field).toBool(); }

void readString(const QSettings& s, const QString& key, QString& field) { field = s.value(key, field).toString(); }

// A stored list shorter than count leaves the remaining elements 0; extra elements are ignored.
void readFloats(const QSettings& s, const QString& key, float* values, int count) {
    const QVariantList list = s.value(key, floatList(values, count)).toList();
    for (int i = 0; i < count; ++i) {
        const float value = i < list.size() ? list.at(i).toFloat() : 0.0f;
        if (std::isfinite(value)) values[i] = value;
    }
}

void readVector(const QSettings& s, const QString& key, Vector3& v) {
    float values[3] = {v.x, v.y, v.z};
    readFloats(s, key, values, 3);
    v = {values[0], values[1], values[2]};
}

void readMatrix(const QSettings& s, const QString& key, Matrix4& m) { readFloats(s, key, m.m.data(), 16); }

void readSrt(const QSettings& s, const QString& key, SRT& srt) {
    float values[10] = {srt.scale.x,    srt.scale.y,    srt.scale.z,       srt.rotation.w,    srt.rotation.x,
                        srt.rotation.y, srt.rotation.z, srt.translation.x, srt.translation.y, srt.translation.z};
    readFloats(s, key, values, 10);
    srt.scale = {values[0], values[1], values[2]};
    srt.rotation = {values[3], values[4], values[5], values[6]};
    srt.translation = {values[7], values[8], values[9]};
}

QVariant vectorValue(const Vector3& v) {
    const float values[3] = {v.x, v.y, v.z};
    return floatList(values, 3);
}

QVariant matrixValue(const Matrix4& m) { return floatList(m.m.data(), 16); }

QVariant srtValue(const SRT& srt) {
    const float values[10] = {srt.scale.x,    srt.scale.y,    srt.scale.z,       srt.rotation.w,    srt.rotation.x,
                              srt.rotation.y, srt.rotation.z, srt.translation.x, srt.translation.y, srt.translation.z};
    return floatList(values, 10);
}

QString modelKey(const QString& modelName, const char* key) {
    return QStringLiteral("Model/") + modelName + QLatin1Char('/') + QLatin1String(key);
}

}  // namespace

KySettings::KySettings(QObject* parent) : QObject(parent), mainGeometry(24, 64, dpiScaled(640), dpiScaled(360)) {}

QString KySettings::defaultFileName() {
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + QDir::separator() +
           QStringLiteral("config.ini");
}

QString KySettings::fileName() const { return m_fileName.isEmpty() ? defaultFileName() : m_fileName; }

void KySettings::setFileName(const QString& fileName) { m_fileName = fileName; }

void KySettings::load() {
    const QSettings s(fileName(), QSettings::IniFormat);

    qDebug() << "version" << s.value(QStringLiteral("Version")).toFloat();

    readBool(s, QStringLiteral("Global/UseVR"), useVR);
    readBool(s, QStringLiteral("Global/Mirror"), mirror);
    readBool(s, QStringLiteral("Global/RenderAcc"), renderAcc);
    readMatrix(s, QStringLiteral("Global/VRSelfPosMatrix"), vrSelfPosMatrix);
    readSrt(s, QStringLiteral("Global/VRSelfPosSRT"), vrSelfPosSRT);
    readMatrix(s, QStringLiteral("Global/VRSelfPosInverseMatrix"), vrSelfPosInverseMatrix);
    readSrt(s, QStringLiteral("Global/VRSelfPosInverseSRT"), vrSelfPosInverseSRT);
    readString(s, QStringLiteral("Global/CamAddress"), camAddress);
    bgColor = QColor::fromRgba(s.value(QStringLiteral("Global/BGColor"), bgColor.rgba()).toUInt());
    readVector(s, QStringLiteral("Global/LightDir"), lightDir);
    readVector(s, QStringLiteral("Global/LightColor"), lightColor);
    readVector(s, QStringLiteral("Global/BodyMoveMul"), bodyMoveMul);
    readString(s, QStringLiteral("Global/PmxName"), pmxName);
    readFloat(s, QStringLiteral("Global/EdgeMul"), edgeMul);
    readFloat(s, QStringLiteral("Global/EdgeBrightness"), edgeBrightness);
    readFloat(s, QStringLiteral("Global/TransBrow"), transBrow);
    readInt(s, QStringLiteral("Global/NoiseFIlter"), noiseFilter);
    readFloat(s, QStringLiteral("Global/GravityPower"), gravityPower);
    readInt(s, QStringLiteral("Global/MorphSensitivity"), morphSensitivity);
    readVmc(s);

    for (int i = 0; i < static_cast<int>(deviceSerials.size()); ++i) {
        readString(s, QStringLiteral("Device/") + QString::number(i), deviceSerials[i]);
    }

    mainGeometry = s.value(QStringLiteral("Geometry/Main"), mainGeometry).toRect();
    controlPos = s.value(QStringLiteral("Geometry/Control"), controlPos).toPoint();
}

QString KySettings::vmcPortError(int port) {
    if (port >= 1 && port <= 65535) return QString();
    return QStringLiteral("%1 is not a UDP port (1 to 65535)").arg(port);
}

QString KySettings::vmcHostError(const QString& host) {
    if (host == QLatin1String("localhost")) return QString();
    const QStringList parts = host.split(QLatin1Char('.'));
    bool valid = parts.size() == 4;
    for (const QString& part : parts) {
        bool number = false;
        const int value = part.toInt(&number);
        const bool digits = !part.isEmpty() && part.size() <= 3 &&
                            std::all_of(part.begin(), part.end(), [](QChar c) { return c.isDigit(); });
        valid = valid && number && digits && value >= 0 && value <= 255;
    }
    if (valid) return QString();
    return QStringLiteral("\"%1\" is not an IPv4 address such as 127.0.0.1 (or localhost)").arg(host);
}

void KySettings::readVmc(const QSettings& s) {
    // Any number loads as stored; only 1 chooses VMC, everything else means the phone.
    readInt(s, QStringLiteral("Global/CaptureType"), captureType);
    const auto readPort = [&s](const char* key, int& field) {
        const QString name = QStringLiteral("Global/") + QLatin1String(key);
        if (!s.contains(name)) return;
        bool number = false;
        const int port = s.value(name).toInt(&number);
        const QString error = number ? vmcPortError(port) : QStringLiteral("not a number");
        if (error.isEmpty()) {
            field = port;
        } else {
            qWarning().noquote() << "config.ini:" << name << error + QStringLiteral("; keeping") << field;
        }
    };
    readPort("VmcReceivePort", vmcReceivePort);
    readPort("VmcSendPort", vmcSendPort);
    readBool(s, QStringLiteral("Global/VmcSend"), vmcSend);
    QString host = vmcSendHost;
    readString(s, QStringLiteral("Global/VmcSendHost"), host);
    const QString error = vmcHostError(host);
    if (error.isEmpty()) {
        vmcSendHost = host;
    } else {
        qWarning().noquote() << "config.ini: Global/VmcSendHost" << error + QStringLiteral("; keeping") << vmcSendHost;
    }
}

void KySettings::loadModelSettings() {
    {
        const QSettings s(fileName(), QSettings::IniFormat);
        readVector(s, modelKey(modelName, "EyeAngle"), eyeAngle);
        readVector(s, modelKey(modelName, "HeadAngle"), headAngle);
        readVector(s, modelKey(modelName, "LookCam"), lookCam);
        readVector(s, modelKey(modelName, "HeadPos"), headPos);
        readVector(s, modelKey(modelName, "LowerBodyMoveMul"), lowerBodyMoveMul);
        readInt(s, modelKey(modelName, "EyeBlinkSensitivity"), eyeBlinkSensitivity);
        readInt(s, modelKey(modelName, "EyeWideSensitivity"), eyeWideSensitivity);
        readInt(s, modelKey(modelName, "EyeSquintSensitivity"), eyeSquintSensitivity);
        readInt(s, modelKey(modelName, "MouthStretchSensitivity"), mouthStretchSensitivity);
        readInt(s, modelKey(modelName, "CheekSquintSensitivity"), cheekSquintSensitivity);
        readInt(s, modelKey(modelName, "NoseSneerSensitivity"), noseSneerSensitivity);
        readInt(s, modelKey(modelName, "BrowDownSensitivity"), browDownSensitivity);
        readFloat(s, modelKey(modelName, "EyeRotMul"), eyeRotMul);
        readString(s, modelKey(modelName, "PoseSet"), poseSet);
    }
    emit modelLoaded();
}

void KySettings::save() {
    // QSettings replaces the file through a temporary file and a rename (atomic sync is its default), so a
    // crash here leaves either the old or the new file, never a truncated one.
    QSettings s(fileName(), QSettings::IniFormat);
    s.setAtomicSyncRequired(true);
    // QSettings drops a failed write silently; a user whose settings are not kept must find out why.
    const auto reportFailure = qScopeGuard([&s] {
        s.sync();
        if (s.status() != QSettings::NoError) {
            qWarning("KySettings: cannot write %s", qUtf8Printable(QDir::toNativeSeparators(s.fileName())));
        }
    });

    s.setValue(QStringLiteral("Version"), QVariant(kVersion));
    s.setValue(QStringLiteral("Global/UseVR"), useVR);
    s.setValue(QStringLiteral("Global/Mirror"), mirror);
    s.setValue(QStringLiteral("Global/RenderAcc"), renderAcc);
    s.setValue(QStringLiteral("Global/CaptureType"), captureType);
    s.setValue(QStringLiteral("Global/VRScalingMatrix"), matrixValue(vrScalingMatrix));
    s.setValue(QStringLiteral("Global/VRSelfPosMatrix"), matrixValue(vrSelfPosMatrix));
    s.setValue(QStringLiteral("Global/VRSelfPosSRT"), srtValue(vrSelfPosSRT));
    s.setValue(QStringLiteral("Global/VRSelfPosInverseMatrix"), matrixValue(vrSelfPosInverseMatrix));
    s.setValue(QStringLiteral("Global/VRSelfPosInverseSRT"), srtValue(vrSelfPosInverseSRT));
    s.setValue(QStringLiteral("Global/VROffsetMatrix"), matrixValue(vrOffsetMatrix));
    s.setValue(QStringLiteral("Global/CamAddress"), camAddress);
    s.setValue(QStringLiteral("Global/BGColor"), QVariant(static_cast<uint>(bgColor.rgba())));
    s.setValue(QStringLiteral("Global/LightDir"), vectorValue(lightDir));
    s.setValue(QStringLiteral("Global/LightColor"), vectorValue(lightColor));
    s.setValue(QStringLiteral("Global/BodyMoveMul"), vectorValue(bodyMoveMul));
    s.setValue(QStringLiteral("Global/PmxName"), pmxName);
    s.setValue(QStringLiteral("Global/EdgeMul"), QVariant(edgeMul));
    s.setValue(QStringLiteral("Global/EdgeBrightness"), QVariant(edgeBrightness));
    s.setValue(QStringLiteral("Global/TransBrow"), QVariant(transBrow));
    s.setValue(QStringLiteral("Global/NoiseFIlter"), noiseFilter);
    s.setValue(QStringLiteral("Global/GravityPower"), QVariant(gravityPower));
    s.setValue(QStringLiteral("Global/MorphSensitivity"), morphSensitivity);
    s.setValue(QStringLiteral("Global/VmcReceivePort"), vmcReceivePort);
    s.setValue(QStringLiteral("Global/VmcSend"), vmcSend);
    s.setValue(QStringLiteral("Global/VmcSendHost"), vmcSendHost);
    s.setValue(QStringLiteral("Global/VmcSendPort"), vmcSendPort);
    for (int i = 0; i < static_cast<int>(deviceSerials.size()); ++i) {
        s.setValue(QStringLiteral("Device/") + QString::number(i), deviceSerials[i]);
    }
    s.setValue(QStringLiteral("Geometry/Main"), mainGeometry);
    s.setValue(QStringLiteral("Geometry/Control"), controlPos);

    // Without a model there is no group to write: "Model/" + "" + "/Key" would land directly in [Model].
    if (!modelName.isEmpty()) {
        s.setValue(modelKey(modelName, "HeadAngle"), vectorValue(headAngle));
        s.setValue(modelKey(modelName, "EyeAngle"), vectorValue(eyeAngle));
        s.setValue(modelKey(modelName, "EyeBlinkSensitivity"), eyeBlinkSensitivity);
        s.setValue(modelKey(modelName, "EyeWideSensitivity"), eyeWideSensitivity);
        s.setValue(modelKey(modelName, "EyeSquintSensitivity"), eyeSquintSensitivity);
        s.setValue(modelKey(modelName, "MouthStretchSensitivity"), mouthStretchSensitivity);
        s.setValue(modelKey(modelName, "CheekSquintSensitivity"), cheekSquintSensitivity);
        s.setValue(modelKey(modelName, "NoseSneerSensitivity"), noseSneerSensitivity);
        s.setValue(modelKey(modelName, "BrowDownSensitivity"), browDownSensitivity);
        s.setValue(modelKey(modelName, "EyeRotMul"), QVariant(eyeRotMul));
        s.setValue(modelKey(modelName, "HeadPos"), vectorValue(headPos));
        s.setValue(modelKey(modelName, "PoseSet"), poseSet);
        s.setValue(modelKey(modelName, "LookCam"), vectorValue(lookCam));
        s.setValue(modelKey(modelName, "LowerBodyMoveMul"), vectorValue(lowerBodyMoveMul));
    }

    // Stale model groups go only when the model tree is known and present: an unknown resource folder (the
    // renderer never came up) or a missing tree (moved or unmounted) would otherwise wipe every model's
    // settings at once.
    const QString modelDir = toFilePath(resourceDir + QStringLiteral("\\model"));
    if (resourceDir.isEmpty() || !QFileInfo(modelDir).isDir()) return;

    QSet<QString> stored;
    const QStringList keys = s.allKeys();
    for (const QString& key : keys) {
        const QStringList parts = key.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (parts.size() >= 2 && parts.at(0) == QLatin1String("Model")) stored.insert(parts.at(1));
    }
    if (stored.isEmpty()) return;

    QSet<QString> present;
    QDirIterator it(modelDir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.suffix() == QLatin1String("pmx")) present.insert(info.completeBaseName());
    }
    const QString pmxBaseName = QFileInfo(toFilePath(pmxName)).completeBaseName();
    for (const QString& name : qAsConst(stored)) {
        if (name == modelName || name == pmxBaseName || present.contains(name)) continue;
        s.remove(QStringLiteral("Model/") + name);
    }
}

void KySettings::setBgColor(const QColor& color) {
    bgColor = color;
    if (!mainWindow) return;
    if (NativeWindow::setClassBackground(mainWindow, color)) return;
    // Linux stand-in for the Windows class background brush: the window's palette. No auto-fill: the GL widget
    // clears to the colour itself, and an auto-filled GL widget is cleared again whenever a painter begins on it.
    QPalette palette = mainWindow->palette();
    palette.setColor(QPalette::Window, QColor(color.red(), color.green(), color.blue()));
    mainWindow->setPalette(palette);
}

KySettings* kySettings() { return g_settings; }

void setKySettings(KySettings* settings) { g_settings = settings; }
