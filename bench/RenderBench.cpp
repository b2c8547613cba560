// GPU upload and whole-frame cost of the desktop drawing path on the real fixture model, offscreen under Mesa.
#include <benchmark/benchmark.h>

#include <QColor>
#include <QGuiApplication>
#include <memory>

#include "mmdr/AppContext.h"
#include "render/TzRenderer.h"
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

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
