// Cost of the body controller's per-frame steps on the bundled sample character: head, eyes and face morphs from
// a capture stream alone, and with the VR controllers driving the arms and fingers too (simulated runtime).
#include <benchmark/benchmark.h>

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
#include "vr/SimulatedRuntime.h"
#include "vr/VRController.h"
#include "vr/VRRuntimeLoader.h"
#include "vr/VRSystem.h"

namespace {

const std::string kSample = MNX_RESOURCE_DIR "/model/0_sample/sample.pmx";

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
            mnxvr::installVRRuntime(
                std::make_unique<SimulatedRuntime>(QStringLiteral(MNX_RESOURCE_DIR "/VR/simulated_session.json")));
            if (!initVR() || createVRController() == nullptr) {
                error = "the simulated runtime did not start";
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
        mnxvr::installVRRuntime(nullptr);
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
