#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "mmd/PMXModel.h"
#include "support/ModelBuilder.h"

namespace {

const std::string kFixtureModel = std::string(MNX_FIXTURES_DIR) + "/real/miku_v2/index.pmx";
constexpr int kGeneratedVertexCount = 200000;
constexpr int kGeneratedBoneCount = 64;

// Four influences on every vertex is the worst case of linear skinning; written once per process because
// building and writing 200k vertices costs more than the benchmarks that use it.
const std::string& GeneratedModelPath() {
    static const std::string path = [] {
        mnx::test::ModelBuilder builder;
        builder.SetName("bench-bdef4");
        int parent = -1;
        for (int b = 0; b < kGeneratedBoneCount; ++b) {
            parent = builder.AddBone("bone" + std::to_string(b), {0.0f, static_cast<float>(b), 0.0f}, parent);
        }
        for (int v = 0; v < kGeneratedVertexCount; ++v) {
            const int b = v % (kGeneratedBoneCount - 3);
            const glm::vec3 position{static_cast<float>(v % 100) * 0.1f, static_cast<float>(v / 3000),
                                     static_cast<float>((v / 100) % 30) * 0.1f};
            builder.AddVertexBDEF4(position, {b, b + 1, b + 2, b + 3}, {0.4f, 0.3f, 0.2f, 0.1f});
        }
        for (uint32_t v = 0; v + 2 < kGeneratedVertexCount; v += 3) {
            builder.AddTriangle(v, v + 1, v + 2);
        }
        builder.AddMaterial("body");
        const std::string out = "/tmp/mnx_bench_bdef4_200k.pmx";
        if (!builder.WriteFile(out)) {
            std::fprintf(stderr, "cannot write %s\n", out.c_str());
        }
        return out;
    }();
    return path;
}

void BM_LoadFixtureModel(benchmark::State& state) {
    for (auto _ : state) {
        mmd::PMXModel model;
        if (!model.Load(kFixtureModel, "")) {
            state.SkipWithError("fixture model did not load");
            return;
        }
        benchmark::DoNotOptimize(model.GetVertexCount());
    }
}
BENCHMARK(BM_LoadFixtureModel)->Unit(benchmark::kMillisecond);

// The frame without motion or physics, so the numbers isolate the model's own per-frame work and skinning.
void RunFrames(benchmark::State& state, const std::string& path) {
    mmd::PMXModel model;
    if (!model.Load(path, "")) {
        state.SkipWithError("model did not load");
        return;
    }
    model.SetParallelUpdateHint(static_cast<uint32_t>(state.range(0)));
    model.InitializeAnimation();
    model.Update();
    for (auto _ : state) {
        model.BeginAnimation();
        model.UpdateMorphAnimation();
        model.UpdateNodeAnimation(false);
        model.EndAnimation();
        model.Update();
        benchmark::DoNotOptimize(model.GetUpdatePositions());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(model.GetVertexCount()));
}

void BM_FrameFixtureModel(benchmark::State& state) { RunFrames(state, kFixtureModel); }
BENCHMARK(BM_FrameFixtureModel)->Arg(1)->Arg(2)->ArgName("parallel")->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_FrameGeneratedBdef4(benchmark::State& state) { RunFrames(state, GeneratedModelPath()); }
BENCHMARK(BM_FrameGeneratedBdef4)->Arg(1)->Arg(2)->ArgName("parallel")->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
