#pragma once
// Helpers of the VR runtime tests: session files written in code, a Qt log capture, an offscreen GL context
// and a runtime double that counts every call.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_1_Core>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "render/GLFunctions.h"
#include "vr/SimulatedRuntime.h"
#include "vr/VRRuntimeLoader.h"
#include "vr/VRSystem.h"

namespace vrtest {

// The input-action controller reads its manifest beside the executable; puts the shipped one there.
inline void installShippedManifest() {
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/resource/VR");
    QDir().mkpath(dir);
    QFile::remove(dir + QStringLiteral("/mnx_actions.json"));
    QFile::copy(QStringLiteral(MNX_SOURCE_DIR "/resources/VR/mnx_actions.json"),
                dir + QStringLiteral("/mnx_actions.json"));
}

// A device line of session JSON with one keyframe at `position` and optional validity gaps.
inline QString device(int index, const char* cls, const char* serial, const QString& extra = QString(),
                      const char* position = "[0, 1.6, 0]") {
    return QStringLiteral(R"({"index": %1, "class": "%2", "serial": "%3", "model": "M-%3",
        "keyframes": [{"t": 0, "position": %4}]%5})")
        .arg(index)
        .arg(QLatin1String(cls), QLatin1String(serial), QLatin1String(position),
             extra.isEmpty() ? QString() : QStringLiteral(", ") + extra);
}

// A session of a 10 s loop with these devices (comma-joined JSON objects) and timeline entries.
inline QByteArray session(const QStringList& devices, const QString& timeline = QString()) {
    return QStringLiteral(R"({"loopSeconds": 10, "eyes": {"width": 64, "height": 48},
        "devices": [%1], "timeline": [%2]})")
        .arg(devices.join(QStringLiteral(",")), timeline)
        .toUtf8();
}

// Writes session files into a temporary folder that lives as long as the object.
class SessionFiles {
public:
    QString write(const QByteArray& content, const QString& name = QStringLiteral("session.json")) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
        return path;
    }
    QString missing() const { return m_dir.filePath(QStringLiteral("absent.json")); }

private:
    QTemporaryDir m_dir;
};

// Counts the emissions of a signal and keeps a float argument when there is one; disconnects when destroyed.
class SignalCount {
public:
    template <typename Object, typename Signal>
    SignalCount(Object* sender, Signal signal) {
        QObject::connect(sender, signal, &m_context, [this] { ++m_count; });
    }
    int count() const { return m_count; }

private:
    QObject m_context;
    int m_count = 0;
};

class FloatSignalValues {
public:
    template <typename Object>
    FloatSignalValues(Object* sender, void (Object::*signal)(float)) {
        QObject::connect(sender, signal, &m_context, [this](float v) { values.push_back(v); });
    }
    std::vector<float> values;

private:
    QObject m_context;
};

// Installs a simulated runtime with frozen time and no pacing for the test's lifetime; shuts VR down after.
class SimulatedScope {
public:
    explicit SimulatedScope(const QString& sessionPath) {
        auto runtime = std::make_unique<SimulatedRuntime>(sessionPath);
        runtime->setPacing(false);
        runtime->setSessionTime(0.0);
        m_runtime = runtime.get();
        mnxvr::installVRRuntime(std::move(runtime));
    }
    ~SimulatedScope() {
        shutdownVR();
        mnxvr::installVRRuntime(nullptr);
    }
    SimulatedRuntime& runtime() { return *m_runtime; }

private:
    SimulatedRuntime* m_runtime = nullptr;
};

// Every Qt message while it lives, as "D text", "I text", "W text" or "C text".
class QtLog {
public:
    QtLog() {
        lines().clear();
        m_previous = qInstallMessageHandler(&QtLog::handle);
    }
    ~QtLog() { qInstallMessageHandler(m_previous); }
    const QStringList& all() const { return lines(); }
    bool has(const QString& line) const { return lines().contains(line); }
    int count(const QString& line) const { return lines().count(line); }
    void clear() { lines().clear(); }

private:
    static QStringList& lines() {
        static QStringList l;
        return l;
    }
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& text) {
        const char* level = type == QtDebugMsg ? "D" : type == QtInfoMsg ? "I" : type == QtWarningMsg ? "W" : "C";
        lines().append(QLatin1String(level) + QLatin1Char(' ') + text);
    }
    QtMessageHandler m_previous = nullptr;
};

// An OpenGL 4.1 core context on an offscreen surface, current and installed as the GL function table.
class GlScope {
public:
    bool create() {
        m_surface.create();
        m_context.setFormat(QSurfaceFormat::defaultFormat());
        if (!m_context.create() || !m_context.makeCurrent(&m_surface)) return false;
        if (!m_gl.initializeOpenGLFunctions()) return false;
        setGlFunctions(&m_gl);
        return true;
    }
    ~GlScope() {
        setGlFunctions(nullptr);
        m_context.doneCurrent();
    }
    QOpenGLFunctions_4_1_Core& gl() { return m_gl; }

private:
    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    QOpenGLFunctions_4_1_Core m_gl;
};

// A runtime that counts every call by name and otherwise forwards to an optional inner runtime (or fails
// politely without one). `compositorMissing` makes it withhold the compositor.
class CountingRuntime : public mnxvr::VRRuntime {
public:
    explicit CountingRuntime(std::map<std::string, int>& calls, mnxvr::VRRuntime* inner = nullptr)
        : m_calls(calls), m_inner(inner) {}
    bool compositorMissing = false;
    uint32_t tokenOffset = 0;  // added to the inner token, so a test can fake a reconnection

    uint32_t InitInternal2(mnxvr::EVRInitError* error, mnxvr::EVRApplicationType type, const char* info) override {
        ++m_calls["InitInternal2"];
        if (m_inner) return m_inner->InitInternal2(error, type, info) + tokenOffset;
        *error = mnxvr::VRInitError_Init_InstallationNotFound;
        return 0;
    }
    void ShutdownInternal() override {
        ++m_calls["ShutdownInternal"];
        if (m_inner) m_inner->ShutdownInternal();
    }
    bool IsInterfaceVersionValid(const char* version) override {
        ++m_calls["IsInterfaceVersionValid"];
        return m_inner && m_inner->IsInterfaceVersionValid(version);
    }
    void* GetGenericInterface(const char* version, mnxvr::EVRInitError* error) override {
        ++m_calls[std::string("GetGenericInterface ") + version];
        if (compositorMissing && std::string(version) == mnxvr::IVRCompositor_Version) {
            *error = mnxvr::VRInitError_Init_InterfaceNotFound;
            return nullptr;
        }
        return m_inner ? m_inner->GetGenericInterface(version, error) : nullptr;
    }
    uint32_t GetInitToken() override {
        ++m_calls["GetInitToken"];
        return (m_inner ? m_inner->GetInitToken() : 0) + tokenOffset;
    }
    const char* GetVRInitErrorAsEnglishDescription(mnxvr::EVRInitError error) override {
        ++m_calls["GetVRInitErrorAsEnglishDescription"];
        return m_inner ? m_inner->GetVRInitErrorAsEnglishDescription(error) : "Counting runtime: no runtime";
    }

private:
    std::map<std::string, int>& m_calls;
    mnxvr::VRRuntime* m_inner;
};

}  // namespace vrtest
