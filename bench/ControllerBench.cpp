// Cost of the body controller's per-frame steps on the bundled sample character: head, eyes and face morphs from
// a capture stream alone, and with the VR controllers driving the arms and fingers too; and the CPU cost of one VR
// frame's OpenXR work (wait, begin, sync, locate, action reads, swapchain copy, end) against the simulated
// headset through the system's loader, with the runtime's 90 Hz pacing off.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_1_Core>
#include <cmath>
#include <memory>
#include <string>

#include "app/base/KySettings.h"
#include "face/iFacialMoCap.h"
#include "mmd/PMXModel.h"
#include "render/GLFunctions.h"
#include "vr/BodyMath.h"
#include "vr/ExtarnalController.h"
#include "vr/FaceFeed.h"
#include "vr/VRController.h"
#include "vr/VRSystem.h"

namespace {

const std::string kSample = MNX_RESOURCE_DIR "/model/0_sample/sample.pmx";

// The simulated headset unless the environment names another runtime; its frame pacing off.
bool startSimulatedHeadset() {
    if (qEnvironmentVariableIsEmpty("XR_RUNTIME_JSON"))
        qputenv("XR_RUNTIME_JSON", MNX_RESOURCE_DIR "/VR/mnx_simxr.json");
    if (!initVR() || !startVRSession()) return false;
    if (void* library = dlopen(MNX_SIMXR_LIBRARY, RTLD_NOW | RTLD_NOLOAD)) {
        if (auto pacing = reinterpret_cast<void (*)(int)>(dlsym(library, "mnxsimxr_set_pacing"))) pacing(0);
        dlclose(library);
    }
    vrSystem()->pollEvents();
    return vrSystem() != nullptr && vrSystem()->sessionRunning();
}

// A receiver fed one packet per frame, always connected and capturing.
class BenchFeed : public FaceFeed {
public:
    iFacialMoCap* receiver() const override { return &m_receiver; }
    bool isConnected(const iFacialMoCap&) const override { return true; }
    bool isCapturing() const override { return true; }
    qint64 frameStamp(const FaceFrame&) const override { return m_stamp; }
    void send(int frame) {
        const float yaw = 10.0f * std::sin(float(frame) * 0.05f);
        m_packet = QStringLiteral(
                       "mouthSmile_L-40|jawOpen-%1|eyeBlink_L-10|browDown_R-20|=head#%2,%3,1,0.01,0,0|"
                       "rightEye#2,3,0|leftEye#2,3,0|")
                       .arg(frame % 100)
                       .arg(double(yaw * 0.5f))
                       .arg(double(yaw));
        m_receiver.Parse(m_packet);
        ++m_stamp;
    }

private:
    mutable iFacialMoCap m_receiver;
    QString m_packet;
    qint64 m_stamp = 0;
};

// The sample character bound to a controller, with the simulated runtime's controllers when `vr` is set.
class Rig {
public:
    bool create(bool vr, std::string& error) {
        m_surface.create();
        if (!m_context.create() || !m_context.makeCurrent(&m_surface) || !m_gl.initializeOpenGLFunctions()) {
            error = "no OpenGL 4.1 core context";
            return false;
        }
        setGlFunctions(&m_gl);
        m_settings.resourceDir = QStringLiteral(MNX_RESOURCE_DIR);
        m_settings.vrSelfPosSRT = SRT{{1, 1, 1}, {0, 0, 1, 0}, {0, -0.04f, 0}};
        m_settings.vrSelfPosInverseSRT = SRT{{1, 1, 1}, {0, 0, -1, 0}, {0, 0.04f, 0}};
        setKySettings(&m_settings);
        if (vr) {
            if (!startSimulatedHeadset() || createVRController() == nullptr) {
                error = "the simulated headset did not start";
                return false;
            }
        }
        m_model = std::make_shared<mmd::PMXModel>();
        if (!m_model->Load(kSample, MNX_RESOURCE_DIR "/toontex")) {
            error = "cannot load " + kSample;
            return false;
        }
        m_controller = std::make_unique<ExtarnalController>();
        m_controller->setFaceFeed(&m_feed);
        m_controller->SetupController(m_model);
        m_model->InitializeAnimation();
        return true;
    }
    ~Rig() {
        m_controller.reset();
        destroyVRController();
        shutdownVR();
        setKySettings(nullptr);
        setGlFunctions(nullptr);
    }

    // A new capture frame and, with VR, the hands on a circle in front of the performer.
    void input(int frame) {
        m_feed.send(frame);
        if (VRController* vr = vrController()) {
            const float a = float(frame) * 0.07f;
            for (int i = 0; i < 2; ++i) {
                const float side = i == 0 ? -1.0f : 1.0f;
                vr->hands[i].pose = bodymath::fromRotationTranslation(
                    Quaternion{}, Vector3{side * (0.3f + 0.1f * std::cos(a)), 1.2f + 0.1f * std::sin(a), -0.3f});
            }
        }
    }
    void beforeModel() {
        m_model->BeginAnimation();
        m_controller->UpdateBeforeModel();
    }
    void afterModel() {
        m_model->EndAnimation();
        m_controller->UpdateFrameEnd();
    }

private:
    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    QOpenGLFunctions_4_1_Core m_gl;
    KySettings m_settings;
    BenchFeed m_feed;
    std::shared_ptr<mmd::PMXModel> m_model;
    std::unique_ptr<ExtarnalController> m_controller;
};

void BM_ControllerSteps(benchmark::State& state) {
    const bool vr = state.range(0) != 0;
    Rig rig;
    std::string error;
    if (!rig.create(vr, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    int frame = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rig.input(frame++);
        state.ResumeTiming();
        rig.beforeModel();
        state.PauseTiming();
        rig.afterModel();
        state.ResumeTiming();
    }
}
// 0: face capture only (head, eyes, upper body, face morphs); 1: plus hand poses and both arms.
BENCHMARK(BM_ControllerSteps)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// One VR frame's OpenXR work as the frame loop does it, without the eye drawing: xrWaitFrame, xrBeginFrame,
// xrSyncActions, xrLocateSpace for head, hands and trackers, xrLocateViews, the action reads, then
// xrAcquireSwapchainImage, xrWaitSwapchainImage, the side-by-side copy, xrReleaseSwapchainImage, xrEndFrame.
void BM_VrFrame(benchmark::State& state) {
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    QOpenGLFunctions_4_1_Core gl;
    if (!context.create() || !context.makeCurrent(&surface) || !gl.initializeOpenGLFunctions()) {
        state.SkipWithError("no OpenGL 4.1 core context");
        return;
    }
    setGlFunctions(&gl);
    if (!startSimulatedHeadset() || createVRController() == nullptr) {
        state.SkipWithError("the simulated headset did not start");
        shutdownVR();
        return;
    }
    GLuint texture = 0;
    gl.glGenTextures(1, &texture);
    gl.glBindTexture(GL_TEXTURE_2D, texture);
    gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(2 * vrSystem()->eyeWidth()), GLsizei(vrSystem()->eyeHeight()),
                    0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    const bool copy = state.range(0) != 0;
    for (auto _ : state) {
        vrPollQuitRequest();
        vrSystem()->beginFrame();
        vrController()->update();
        if (copy) vrSubmitSideBySide(texture);
    }
    gl.glFinish();
    gl.glDeleteTextures(1, &texture);
    destroyVRController();
    shutdownVR();
    setGlFunctions(nullptr);
}
// 0: the frame's OpenXR calls without the image (the next wait ends the frame empty); 1: with the side-by-side
// copy into the swapchain and the projection layer.
BENCHMARK(BM_VrFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    // The markers' meshes need a GL context; under the benchmark script a display is there.
    QGuiApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
