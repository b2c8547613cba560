// The running app's frame: the main window painting the desktop view of a model (animation, physics, skinning,
// upload, shadow pass, toon and outline draw, the overlays), unpaced, under whatever GL the display offers.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSurfaceFormat>
#include <QTest>
#include <memory>

#include "app/Application.h"
#include "app/KySolution.h"
#include "app/MainWidget.h"
#include "app/base/KySettings.h"
#include "scene/TzRenderer.h"

namespace {

const QString kFixtureModel = QStringLiteral(MNX_FIXTURES_DIR "/real/miku_v2/index.pmx");

struct App {
    std::unique_ptr<KySettings> settings;
    std::unique_ptr<MainWidget> window;

    bool start(const QString& model) {
        settings = std::make_unique<KySettings>();
        settings->setFileName(QStringLiteral("/dev/null"));
        settings->pmxName = model;
        setKySettings(settings.get());
        setKySolution(new KySolution);
        window = std::make_unique<MainWidget>();
        window->resize(640, 360);
        window->show();
        window->setWindowOpacity(1.0);
        if (!QTest::qWaitForWindowExposed(window.get()) || window->renderer() == nullptr) return false;
        settings->pmxName = model;  // the model list only knows the bundled folder
        window->loadScene();
        return window->renderer()->appContext()->m_mainModel != nullptr;
    }
    ~App() {
        if (window) window->cleanup();
        window.reset();
        setKySettings(nullptr);
    }
};

void RunFrames(benchmark::State& state, const QString& model) {
    App app;
    if (!app.start(model)) {
        state.SkipWithError("model did not load");
        return;
    }
    // A grab renders one frame synchronously whatever the window system thinks of the window; its read-back of
    // 640 x 360 pixels is a small part of the frame.
    const uint64_t first = app.window->frameCount();
    for (auto _ : state) {
        app.window->grabFramebuffer();
    }
    if (app.window->frameCount() - first < static_cast<uint64_t>(state.iterations())) state.SkipWithError("frames were not painted");
}

void BM_FrameSampleCharacter(benchmark::State& state) {
    RunFrames(state, QCoreApplication::applicationDirPath() + "/resource/model/0_sample/sample.pmx");
}
BENCHMARK(BM_FrameSampleCharacter)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

void BM_FrameFixtureModel(benchmark::State& state) { RunFrames(state, kFixtureModel); }
BENCHMARK(BM_FrameFixtureModel)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

// Window construction, context, renderer and model set-up, and the first painted frame with the character.
void BM_StartToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        App app;
        if (!app.start(QCoreApplication::applicationDirPath() + "/resource/model/0_sample/sample.pmx")) {
            state.SkipWithError("model did not load");
            return;
        }
        app.window->grabFramebuffer();
    }
}
BENCHMARK(BM_StartToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    setApplicationAttributes();
    QSurfaceFormat::setDefaultFormat(applicationSurfaceFormat());
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
