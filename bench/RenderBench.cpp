// GPU upload and whole-frame cost of the desktop drawing path on the real fixture model, offscreen under Mesa.
#include <benchmark/benchmark.h>

#include <QColor>
#include <QGuiApplication>
#include <QOpenGLFramebufferObject>
#include <memory>

#include "mmdr/AppContext.h"
#include "render/RenderState.h"
#include "scene/TzRenderer.h"
#include "tools/mnxtool/OffscreenScene.h"

namespace {

const QString kModel = QStringLiteral(MNX_FIXTURES_DIR "/real/miku_v2/index.pmx");
const QString kMotion = QStringLiteral(MNX_FIXTURES_DIR "/real/motions/run.vmd");

std::unique_ptr<OffscreenScene> MakeScene(benchmark::State& state) {
    auto scene = std::make_unique<OffscreenScene>();
    QString error;
    if (!scene->createContext(640, 360, &error) || !scene->loadModel(kModel, kMotion, 0.5, QString(), &error)) {
        state.SkipWithError(error.toLocal8Bit().constData());
        return nullptr;
    }
    scene->settle(30);
    return scene;
}

// Skinning plus the four whole-buffer replacements, as each frame does them.
void BM_UpdateGpuFixture(benchmark::State& state) {
    auto scene = MakeScene(state);
    if (!scene) return;
    AppContext& context = *tzRenderer()->appContext();
    for (auto _ : state) {
        context.UpdateGpu();
    }
}
BENCHMARK(BM_UpdateGpuFixture)->Unit(benchmark::kMicrosecond);

// Animation, upload, the 4096² shadow pass and the 4-sample toon and outline draw, finished on the GPU.
void BM_WholeFrame640x360(benchmark::State& state) {
    auto scene = MakeScene(state);
    if (!scene) return;
    const QColor background(232, 228, 228);
    for (auto _ : state) {
        scene->renderFrame(OffscreenScene::Camera::Front, background);
    }
}
BENCHMARK(BM_WholeFrame640x360)->Unit(benchmark::kMillisecond);

// One desktop frame as the widget paints it once the pose is set: panels, skinning and upload, the shadow pass,
// the 4-sample desktop view and its copy onto the window. The reported CPU time is this thread's alone, so the
// rasteriser's worker threads and the wait for them at the end do not count; the GL calls' own cost does.
void BM_DesktopFrameCpu(benchmark::State& state) {
    auto scene = MakeScene(state);
    if (!scene) return;
    TzRenderer& renderer = *tzRenderer();
    constexpr int kWidth = 1280;
    constexpr int kHeight = 720;
    renderer.resizeDesktopTarget(kWidth, kHeight);
    QOpenGLFramebufferObject window(kWidth, kHeight);
    AppContext& context = *renderer.appContext();
    const QColor background(232, 228, 228);
    const auto frame = [&] {
        renderer.updatePanels();
        context.UpdateGpu();
        context.DrawShadowMap();
        renderer.drawDesktop(background, kWidth, kHeight);
        bindRenderTarget(window.handle(), kWidth, kHeight);
        renderer.drawDesktopToWidget(kWidth, kHeight);
        renderer.glFinish();
    };
    frame();
    for (auto _ : state) frame();
}
BENCHMARK(BM_DesktopFrameCpu)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
