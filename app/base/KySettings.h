#pragma once

#include <QColor>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <array>

#include "app/base/Matrix4.h"
#include "app/base/SRT.h"
#include "app/base/Vector3.h"

class QSettings;
class QWidget;

// The process-wide store of every persisted setting and of a few run-time values shared between subsystems.
// Lives on the GUI thread and has no lock. Fields are public: every subsystem reads and writes the ones it
// owns directly. Persisted in config.ini (QSettings, INI format); the key of each field is in brackets.
class KySettings : public QObject {
    Q_OBJECT

public:
    // Sets every default; touches no file. Needs a QGuiApplication (the default window size is DPI-scaled).
    explicit KySettings(QObject* parent = nullptr);

    // config.ini in the executable's folder; needs a QCoreApplication.
    static QString defaultFileName();
    // The file every operation opens; defaultFileName() unless set (tests point it elsewhere).
    QString fileName() const;
    void setFileName(const QString& fileName);

    // Reads the global keys. Missing keys keep the current value; keys of the wrong type give what QVariant
    // converts them to (0, false, empty); short lists fill the missing elements with 0; non-finite floats
    // keep the current value. Logs "version" and the stored number at debug level.
    void load();
    // Reads the group "Model/" + modelName with the same rules, then emits modelLoaded().
    void loadModelSettings();
    // Writes every key (the per-model ones under "Model/" + modelName), then removes the groups of models
    // that are neither current nor found under resourceDir + "\model". Replaces the file atomically, so a
    // crash during the save leaves the previous file. Write errors are not reported.
    void save();
    // Stores the colour and, when mainWindow is set, paints the window background outside the GL surface in
    // it (opaque: the alpha is ignored there).
    void setBgColor(const QColor& color);

    // Flags and modes.
    bool useVR = false;          // [Global/UseVR] connect to the VR runtime at start-up
    bool mirror = true;          // [Global/Mirror] left/right swap; the settings page emits modelLRChanged()
    bool renderAcc = true;       // [Global/RenderAcc] draw accessories (they are animated either way)
    int captureType = 0;         // [Global/CaptureType] capture source: kCaptureVmc, else the phone
    float userHeight = 1.76f;    // not persisted; metres
    float userShoulderHeight = 1.44f;  // not persisted; metres

    // Angles in degrees, positions in model units (0.1 m).
    Vector3 headAngle;                       // [Model/<name>/HeadAngle]
    Vector3 eyeAngle;                        // [Model/<name>/EyeAngle]
    Vector3 bodyMoveMul{0.5f, 0.5f, 0.5f};  // [Global/BodyMoveMul]
    Vector3 lowerBodyMoveMul;                // [Model/<name>/LowerBodyMoveMul]
    float eyeRotMul = 1.0f;                  // [Model/<name>/EyeRotMul]
    float edgeMul = 1.0f;                    // [Global/EdgeMul]
    float edgeBrightness = 0.0f;             // [Global/EdgeBrightness]
    float transBrow = 0.5f;                  // [Global/TransBrow]
    float gravityPower = 3.0f;               // [Global/GravityPower]
    // Sensitivities: -2..2 as the pages set them; any other value loads unchanged (consumers treat it as 0).
    int morphSensitivity = 0;         // [Global/MorphSensitivity]
    int eyeBlinkSensitivity = 0;      // [Model/<name>/EyeBlinkSensitivity]
    int eyeWideSensitivity = 0;       // [Model/<name>/EyeWideSensitivity]
    int eyeSquintSensitivity = 0;     // [Model/<name>/EyeSquintSensitivity]
    int mouthStretchSensitivity = 0;  // [Model/<name>/MouthStretchSensitivity]
    int cheekSquintSensitivity = 0;   // [Model/<name>/CheekSquintSensitivity]
    int noseSneerSensitivity = 0;     // [Model/<name>/NoseSneerSensitivity]
    int browDownSensitivity = 0;      // [Model/<name>/BrowDownSensitivity]
    // Camera offsets; the camera keys keep x in [-36, 36], y in [-30, 20], z in [5, 50]. A loaded file may
    // hold anything.
    Vector3 lookCam{0.0f, 0.0f, 16.0f};     // [Model/<name>/LookCam]
    Vector3 headPos{0.0f, 16.0f, 0.0f};     // [Model/<name>/HeadPos] the head bone's rest position
    QString poseSet = QStringLiteral("default");  // [Model/<name>/PoseSet] pose-set folder name

    // Network and files.
    QString camAddress = QStringLiteral("192.168.0.1");  // [Global/CamAddress] the face-tracking phone
    QColor bgColor{232, 228, 228, 255};  // [Global/BGColor] stored as the ARGB value; set via setBgColor()
    QString pmxName;       // [Global/PmxName] full path of the current model file
    QString modelName;     // not persisted: complete base name of the model file; names the per-model group
    QStringList modelPaths;  // not persisted: model files offered in the settings page (at most 8)
    QString resourceDir;   // not persisted: the executable's folder joined with "resource"; empty until known
    QString messageText;   // not persisted: set-up report, parts separated by "|"
    std::array<QString, 6> deviceSerials;  // [Device/0] .. [Device/5] tracked devices of the body slots

    // Window geometry in device-independent pixels.
    QRect mainGeometry;                 // [Geometry/Main] x 24, y 64, dpiScaled 640 x 360
    QPoint controlPos{640, 100};        // [Geometry/Control]

    // Calibration; only the self-position ones are read back at load.
    Matrix4 vrScalingMatrix;         // [Global/VRScalingMatrix] written, never read
    Matrix4 vrSelfPosMatrix;         // [Global/VRSelfPosMatrix]
    SRT vrSelfPosSRT;                // [Global/VRSelfPosSRT]
    Matrix4 vrSelfPosInverseMatrix;  // [Global/VRSelfPosInverseMatrix]
    SRT vrSelfPosInverseSRT;         // [Global/VRSelfPosInverseSRT]
    Matrix4 vrOffsetMatrix;          // [Global/VROffsetMatrix] written, never read

    // Light.
    Vector3 lightDir{-90.0f, -180.0f, -90.0f};  // [Global/LightDir]
    Vector3 lightColor{0.6f, 0.6f, 0.6f};       // [Global/LightColor]
    int noiseFilter = 10;  // [Global/NoiseFIlter] history length of the body noise filter; 0 = off

    // VMC, the motion protocol of VTuber apps (OSC over UDP). Loading and the pages keep the previous value
    // of a bad port or host and say why (see vmcPortError, vmcHostError).
    static constexpr int kCaptureIFacialMocap = 0;
    static constexpr int kCaptureVmc = 1;
    int vmcReceivePort = 39539;                          // [Global/VmcReceivePort] UDP port we listen on
    bool vmcSend = false;                                // [Global/VmcSend] send the pose every frame
    QString vmcSendHost = QStringLiteral("127.0.0.1");  // [Global/VmcSendHost] dotted IPv4 or "localhost"
    int vmcSendPort = 39540;                             // [Global/VmcSendPort]

    // Empty when `port` is a usable UDP port (1..65535), else the reason, for the user.
    static QString vmcPortError(int port);
    // Empty when `host` is a dotted IPv4 address or "localhost", else the reason, for the user.
    static QString vmcHostError(const QString& host);

    // Not owned: the main window, registered by its constructor; cleared when the window is destroyed.
    QPointer<QWidget> mainWindow;

signals:
    void modelLoaded();
    void modelSenceChanged();
    void modelLRChanged();
    // Some deviceSerials entry was edited.
    void deviceSerialsChanged();

private:
    void readVmc(const QSettings& s);

    QString m_fileName;
};

// The process-wide settings store; null before start-up creates it and after shutdown deletes it.
KySettings* kySettings();
// Publishes (or, with null, withdraws) the process-wide settings store; the caller keeps ownership.
void setKySettings(KySettings* settings);
