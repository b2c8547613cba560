#pragma once
// Helpers of the VR tests: session files of the simulated headset written in code, its test controls inside the
// runtime library the OpenXR loader loaded (XR_RUNTIME_JSON names it in the tests' environment), a Qt log capture,
// an offscreen GL context and the body controller's test peer.

#include <dlfcn.h>

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
#include <QVariantAnimation>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "render/GLFunctions.h"
#include "render/SystemMesh.h"
#include "vr/ExtarnalController.h"
#include "vr/VRSystem.h"

namespace vrtest {

// A device line of session JSON with one keyframe at `position` and optional validity gaps.
inline QString device(const char* cls, const char* serial, const QString& extra = QString(),
                      const char* position = "[0, 1.6, 0]") {
    return QStringLiteral(R"({"class": "%1", "serial": "%2", "model": "M-%2",
        "keyframes": [{"t": 0, "position": %3}]%4})")
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

// Counts the emissions of a signal without arguments or with a float one, keeping the floats; disconnects when
// destroyed.
class SignalCount {
public:
    template <typename Object, typename... Args>
    SignalCount(Object* sender, void (Object::*signal)(Args...)) {
        QObject::connect(sender, signal, &m_context, [this](Args... v) {
            float value = 0.0f;
            ((value = static_cast<float>(v)), ...);
            values.push_back(value);
        });
    }
    int count() const { return static_cast<int>(values.size()); }
    std::vector<float> values;

private:
    QObject m_context;
};

// The simulated headset's test controls, found in the runtime library once the loader has loaded it.
struct SimXr {
    static void* symbol(const char* name) {
        void* library = dlopen(MNX_SIMXR_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
        if (!library) return nullptr;
        void* found = dlsym(library, name);
        dlclose(library);
        return found;
    }
    // Freezes session time (negative: runs on from there). False when the runtime is not loaded.
    static bool setSessionTime(double seconds) {
        auto f = reinterpret_cast<void (*)(double)>(symbol("mnxsimxr_set_session_time"));
        if (f) f(seconds);
        return f != nullptr;
    }
    static void setPacing(bool on) {
        if (auto f = reinterpret_cast<void (*)(int)>(symbol("mnxsimxr_set_pacing"))) f(on ? 1 : 0);
    }
    // Frames submitted for an eye; the GL texture and rectangle of the latest one.
    static int submitted(int eye, unsigned* texture = nullptr, int* rect = nullptr) {
        auto f = reinterpret_cast<int (*)(int, unsigned*, int*)>(symbol("mnxsimxr_submitted"));
        return f ? f(eye, texture, rect) : -1;
    }
};

// Plays `sessionPath` on the simulated headset for the test's lifetime with frozen time and no pacing:
// connects, starts the session on the current GL context and lets it run. Shuts VR down after.
class SimulatedScope {
public:
    explicit SimulatedScope(const QString& sessionPath) {
        qputenv("MNX_SIMXR_SESSION", sessionPath.toLocal8Bit());
        m_up = initVR() && startVRSession();
        if (!m_up) return;
        SimXr::setPacing(false);
        SimXr::setSessionTime(0.0);
        vrSystem()->pollEvents();  // ready: the session begins
    }
    ~SimulatedScope() {
        shutdownVR();
        qunsetenv("MNX_SIMXR_SESSION");
    }
    bool up() const { return m_up && vrSystem() != nullptr && vrSystem()->sessionRunning(); }

private:
    bool m_up = false;
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

private:
    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    QOpenGLFunctions_4_1_Core m_gl;
};

}  // namespace vrtest

// The body controller's state that no frame shows at once: the hold animation a test drives to chosen times, the
// hold's weight, and the debug markers of the head's nodes and its chain's joints by bone name.
class ExtarnalControllerTestPeer {
public:
    static const SystemMesh* marker(const ExtarnalController& c, const QString& name) {
        for (const auto& node : c.m_headGroup) {
            if (node->name == name) return node->marker.get();
        }
        for (const auto& joint : c.m_headChain.joints()) {
            if (joint->name == name) return joint->marker.get();
        }
        return nullptr;
    }
    static QVariantAnimation& holdAnimation(ExtarnalController& c) { return *c.m_errorAnim; }
    static float holdWeight(const ExtarnalController& c) { return c.m_errorFix; }
};
