#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "mmd/PMXModel.h"
#include "mmd/VMDAnimation.h"
#include "mmd/VMDFile.h"
#include "tools/mnxtool/Commands.h"
#include "tools/mnxtool/JsonWriter.h"

namespace mnxtool {

namespace {

constexpr float kStepSeconds = 1.0f / 60.0f;
constexpr double kMotionFps = 30.0;

enum Stage { kBegin, kMotion, kMorph, kNodeBefore, kPhysics, kNodeAfter, kEnd, kSkin, kFrame, kStageCount };
const char* const kStageNames[kStageCount] = {
    "begin", "motion", "morph", "node_before_physics", "physics", "node_after_physics", "end", "skin", "frame"};

struct Options {
    std::string m_model;
    std::string m_motion;
    long m_frames = 600;
    long m_threads = 1;
    long m_checksumAt = -1;
    long m_repeat = 5;
};

bool ParseCount(const std::string& text, long minimum, long& out) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < minimum) {
        return false;
    }
    out = value;
    return true;
}

bool ParseOptions(const std::vector<std::string>& args, Options& options) {
    if (args.empty()) {
        return false;
    }
    options.m_model = args[0];
    for (size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return false;
        }
        const std::string& name = args[i];
        const std::string& value = args[i + 1];
        bool ok = true;
        if (name == "--motion") {
            options.m_motion = value;
        } else if (name == "--frames") {
            ok = ParseCount(value, 1, options.m_frames);
        } else if (name == "--threads") {
            ok = ParseCount(value, 1, options.m_threads);
        } else if (name == "--repeat") {
            ok = ParseCount(value, 0, options.m_repeat);
        } else if (name == "--checksum-at") {
            ok = ParseCount(value, 0, options.m_checksumAt);
        } else {
            ok = false;
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

// Weights the axes differently so that a mirrored or swapped result does not give the same sum.
double Checksum(const mmd::PMXModel& model, bool& allFinite) {
    const glm::vec3* positions = model.GetUpdatePositions();
    double sum = 0.0;
    allFinite = true;
    for (size_t i = 0; i < model.GetVertexCount(); ++i) {
        const glm::vec3& p = positions[i];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
            allFinite = false;
            continue;
        }
        sum += static_cast<double>(p.x) + 2.0 * static_cast<double>(p.y) + 3.0 * static_cast<double>(p.z);
    }
    return sum;
}

double Percentile(std::vector<double> samples, double fraction) {
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<size_t>(std::ceil(fraction * static_cast<double>(samples.size()))) - 1;
    return samples[std::min(index, samples.size() - 1)];
}

double MedianOf(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    return n % 2 == 1 ? samples[n / 2] : 0.5 * (samples[n / 2 - 1] + samples[n / 2]);
}

using Clock = std::chrono::steady_clock;

double Micros(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::micro>(to - from).count();
}

// One model load split into its phases, in milliseconds.
struct LoadSample {
    double m_total = 0.0;
    double m_parse = 0.0;
    double m_model = 0.0;
    double m_physics = 0.0;
};

LoadSample SampleOf(const mmd::PMXModel& model, double totalUs) {
    const mmd::PMXModel::LoadTimings& timings = model.GetLoadTimings();
    return LoadSample{totalUs / 1000.0, timings.m_parseUs / 1000.0, timings.m_modelUs / 1000.0,
                      timings.m_physicsUs / 1000.0};
}

std::string LoadJson(const LoadSample& sample) {
    JsonWriter json;
    json.Add("total_ms", sample.m_total);
    json.Add("parse_ms", sample.m_parse);
    json.Add("model_ms", sample.m_model);
    json.Add("physics_ms", sample.m_physics);
    return json.Finish();
}

// Loads the model again `repeat` times, each into a fresh object as an application reload would, and returns the
// median of every phase; the file is then in the page cache and the allocator warm.
bool WarmLoads(const std::string& path, long repeat, LoadSample& median) {
    std::vector<double> total, parse, model, physics;
    for (long i = 0; i < repeat; ++i) {
        const auto start = Clock::now();
        mmd::PMXModel warm;
        if (!warm.Load(path, "")) {
            return false;
        }
        const LoadSample sample = SampleOf(warm, Micros(start, Clock::now()));
        total.push_back(sample.m_total);
        parse.push_back(sample.m_parse);
        model.push_back(sample.m_model);
        physics.push_back(sample.m_physics);
    }
    if (repeat > 0) {
        median = LoadSample{MedianOf(total), MedianOf(parse), MedianOf(model), MedianOf(physics)};
    }
    return true;
}

}  // namespace

int RunBench(const std::vector<std::string>& args) {
    Options options;
    if (!ParseOptions(args, options)) {
        std::fprintf(stderr,
                     "usage: mnxtool bench MODEL.pmx [--motion FILE.vmd] [--frames N] [--threads N] "
                     "[--checksum-at K] [--repeat N]\n");
        return 2;
    }

    // The first load of the process is the cold one: nothing of the model runtime, Bullet or the allocator has run.
    const auto loadStart = Clock::now();
    auto model = std::make_shared<mmd::PMXModel>();
    if (!model->Load(options.m_model, "")) {
        return 1;
    }
    const LoadSample cold = SampleOf(*model, Micros(loadStart, Clock::now()));
    mmd::VMDAnimation animation;
    animation.Create(model);
    if (!options.m_motion.empty()) {
        mmd::VMDFileData vmd;
        if (!mmd::ReadVMDFile(vmd, options.m_motion)) {
            return 1;
        }
        animation.Add(vmd);
    }
    const double loadMs = Micros(loadStart, Clock::now()) / 1000.0;
    LoadSample warm;
    if (!WarmLoads(options.m_model, options.m_repeat, warm)) {
        return 1;
    }

    model->SetParallelUpdateHint(static_cast<uint32_t>(options.m_threads));
    model->InitializeAnimation();

    const double maxKey = animation.GetMaxKeyTime();
    std::vector<std::vector<double>> samples(kStageCount, std::vector<double>(options.m_frames));
    double checksumAt = 0.0;
    bool finiteAt = true;
    for (long frame = 0; frame < options.m_frames; ++frame) {
        // The motion loops over its keys the way the playback clock does, so long runs keep moving.
        double motionFrame = static_cast<double>(frame) * kStepSeconds * kMotionFps;
        if (maxKey > 0.0) {
            motionFrame = std::fmod(motionFrame, maxKey);
        }
        Clock::time_point t[kStageCount + 1];
        t[0] = Clock::now();
        model->BeginAnimation();
        t[1] = Clock::now();
        // Morph and IK keys as the app plays them: a broken morph weight must show in the checksum too.
        animation.EvaluateMorph(static_cast<float>(motionFrame));
        animation.Evaluate(static_cast<float>(motionFrame));
        animation.EvaluateIK(static_cast<float>(motionFrame));
        t[2] = Clock::now();
        model->UpdateMorphAnimation();
        t[3] = Clock::now();
        model->UpdateNodeAnimation(false);
        t[4] = Clock::now();
        model->UpdatePhysicsAnimation(kStepSeconds);
        t[5] = Clock::now();
        model->UpdateNodeAnimation(true);
        t[6] = Clock::now();
        model->EndAnimation();
        t[7] = Clock::now();
        model->Update();
        t[8] = Clock::now();
        for (int s = 0; s < kFrame; ++s) {
            samples[s][frame] = Micros(t[s], t[s + 1]);
        }
        samples[kFrame][frame] = Micros(t[0], t[8]);
        if (frame == options.m_checksumAt) {
            checksumAt = Checksum(*model, finiteAt);
        }
    }

    bool allFinite = true;
    const double checksum = Checksum(*model, allFinite);

    JsonWriter json;
    json.Add("load_ms", loadMs);
    json.AddRaw("cold_load", LoadJson(cold));
    if (options.m_repeat > 0) {
        json.Add("warm_repeat", static_cast<int64_t>(options.m_repeat));
        json.AddRaw("warm_load", LoadJson(warm));
    }
    json.Add("frames", static_cast<int64_t>(options.m_frames));
    json.Add("threads", static_cast<int64_t>(options.m_threads));
    json.Add("vertices", static_cast<uint64_t>(model->GetVertexCount()));
    for (int s = 0; s < kStageCount; ++s) {
        JsonWriter stage;
        stage.Add("median_us", MedianOf(samples[s]));
        stage.Add("p99_us", Percentile(samples[s], 0.99));
        json.AddRaw(kStageNames[s], stage.Finish());
    }
    json.Add("checksum", checksum);
    if (options.m_checksumAt >= 0 && options.m_checksumAt < options.m_frames) {
        json.Add("checksum_at_frame", static_cast<int64_t>(options.m_checksumAt));
        json.Add("checksum_at", checksumAt);
        allFinite = allFinite && finiteAt;
    }
    json.AddBool("all_finite", allFinite);
    std::printf("%s\n", json.Finish().c_str());
    return 0;
}

}  // namespace mnxtool
