#include "face/BuildInternalMorphs.h"

#include <QDebug>
#include <QSet>
#include <algorithm>
#include <cstdint>
#include <glm/vec3.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/base/KySettings.h"
#include "mmd/PMXFile.h"
#include "mmd/PMXModel.h"

namespace {

using mmd::PMXModel;
using Offsets = PMXModel::PositionMorphData;

// One offset of a source morph whose vertex exists.
struct Entry {
    uint32_t vertex = 0;
    glm::vec3 d{0.0f};  // file frame
    float restX = 0.0f;
    float MovedX() const { return restX + d.x; }
};

// The runtime mirrors z at load; offsets must follow the positions they move.
glm::vec3 AsIs(const glm::vec3& d) { return {d.x, d.y, -d.z}; }

bool LeftByRest(const Entry& e) { return e.restX > 0.0f; }
bool LeftByMoved(const Entry& e) { return e.MovedX() > 0.0f; }

// Brow ramps accumulate per source entry so that a vertex on the centre line, which both sides select, is entered
// once with the mean of its weights instead of moving twice as far as its neighbours.
struct RampWeights {
    explicit RampWeights(size_t n) : sum(n, 0.0f), count(n, 0) {}
    std::vector<float> sum;
    std::vector<int> count;
};

enum class Side { Left, Right };

// Weights of one side's entries, from the innermost selected entry (t = 0) to the outermost (t = 1): 1 - t when
// `innerHigh`, else t. m is the distance from the centre line. The left side takes m > 0, or m >= 0 when
// `leftWithCentre`; the right side always takes the centre. A side without spread contributes nothing.
void AddRamp(const std::vector<Entry>& entries, Side side, bool leftWithCentre, bool innerHigh, RampWeights& out) {
    std::vector<std::pair<size_t, float>> selected;
    for (size_t i = 0; i < entries.size(); ++i) {
        const float moved = entries[i].MovedX();
        const float m = side == Side::Left ? moved : -moved;
        const bool take = side == Side::Left ? (leftWithCentre ? m >= 0.0f : m > 0.0f) : moved <= 0.0f;
        if (take) selected.emplace_back(i, m);
    }
    if (selected.empty()) return;
    const auto [lo, hi] = std::minmax_element(selected.begin(), selected.end(),
                                              [](const auto& a, const auto& b) { return a.second < b.second; });
    const float low = lo->second;
    const float span = hi->second - low;
    if (!(span > 0.0f)) return;
    for (const auto& [index, m] : selected) {
        const float t = (m - low) / span;
        out.sum[index] += innerHigh ? 1.0f - t : t;
        out.count[index] += 1;
    }
}

Offsets RampOffsets(const std::vector<Entry>& entries, const RampWeights& weights) {
    Offsets offsets;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (weights.count[i] == 0) continue;
        const float w = weights.sum[i] / static_cast<float>(weights.count[i]);
        const glm::vec3& d = entries[i].d;
        offsets.push_back({entries[i].vertex, glm::vec3(d.x, d.y * w, -d.z)});
    }
    return offsets;
}

class Synthesiser {
public:
    Synthesiser(PMXModel& model, const InternalMorphData& data) : m_model(model), m_data(data) {
        const auto& morphs = model.GetPMXMorphManager().GetMorphs();
        for (size_t i = model.GetPMXMorphs().size(); i < morphs.size(); ++i) {
            m_addedEarlier.insert(QString::fromStdString(morphs[i]->GetName()));
        }
    }

    void Run() {
        PairByRest("eyeBlink_L", "eyeBlink_R", {"まばたき"});
        PairByRest("eyeSquint_L", "eyeSquint_R", {"笑い"});
        PairByMoved("eyeWide_L", "eyeWide_R", "びっくり");
        Mouth();
        PairByMoved("noseSneer_L", "noseSneer_R", "怒り");
        PairByMoved("browDown_L", "browDown_R", "困る");
        Brows();
        PairByRest("cheekSquint_L", "cheekSquint_R", {"にこり", "にっこり"});
        if (Absent({"mouthSmile_L", "mouthSmile_R"}) && Source({"にこり", "にっこり"})) {
            Add("mouthSmile_L", {});
            Add("mouthSmile_R", {});
        }
        StretchAndFrown();
        Whole("cheekPuff", "ぷぅ");
        Whole("tongueOut", "ぺろっ");
    }

private:
    // Nothing when the source cannot be found: its builders add nothing.
    using Sources = std::optional<std::vector<Entry>>;

    bool Present(const char* name) const {
        const QString n = QString::fromUtf8(name);
        return m_data.vertexMorphs.contains(n) || m_addedEarlier.contains(n);
    }
    bool Absent(std::initializer_list<const char*> names) const {
        return std::none_of(names.begin(), names.end(), [this](const char* n) { return Present(n); });
    }

    // The usable entries of the first candidate that is a vertex morph of the file; nothing when none is.
    Sources Source(std::initializer_list<const char*> candidates) const {
        for (const char* name : candidates) {
            const auto it = m_data.vertexMorphs.constFind(QString::fromUtf8(name));
            if (it == m_data.vertexMorphs.constEnd()) continue;
            const mmd::PMXMorphRecord& record = m_model.GetPMXMorphs()[static_cast<size_t>(it.value())];
            const size_t vertexCount = m_model.GetVertexCount();
            const glm::vec3* rest = m_model.GetPositions();
            std::vector<Entry> entries;
            entries.reserve(record.m_positionOffsets.size());
            for (const mmd::PMXPositionMorphOffset& o : record.m_positionOffsets) {
                if (o.m_vertexIndex < vertexCount)
                    entries.push_back({o.m_vertexIndex, o.m_position, rest[o.m_vertexIndex].x});
            }
            return entries;
        }
        return {};
    }

    void Add(const char* name, Offsets offsets) {
        PMXModel::PMXMorph* morph = m_model.GetPMXMorphManager().AddMorph();
        morph->SetName(name);
        morph->SetWeight(0.0f);
        morph->SetBaseAnimationWeight(0.0f);
        morph->SetMorphType(PMXModel::PMXMorph::MorphType::Position);
        morph->SetDataIndex(m_model.AddPositionMorphData(std::move(offsets)));
    }

    template <typename IsLeft>
    void Pair(const char* left, const char* right, const std::vector<Entry>& entries, IsLeft isLeft) {
        Offsets l;
        Offsets r;
        for (const Entry& e : entries) (isLeft(e) ? l : r).push_back({e.vertex, AsIs(e.d)});
        Add(left, std::move(l));
        Add(right, std::move(r));
    }

    void PairByRest(const char* left, const char* right, std::initializer_list<const char*> sources) {
        if (!Absent({left, right})) return;
        const Sources s = Source(sources);
        if (s) Pair(left, right, *s, LeftByRest);
    }

    void PairByMoved(const char* left, const char* right, const char* source) {
        if (!Absent({left, right})) return;
        const Sources s = Source({source});
        if (s) Pair(left, right, *s, LeftByMoved);
    }

    void Mouth() {
        if (Absent({"jawOpen", "mouthClose"})) {
            const Sources s = Source({"あ"});
            if (s) {
                Offsets open;
                Offsets close;
                for (const Entry& e : *s) {
                    open.push_back({e.vertex, AsIs(e.d)});
                    close.push_back({e.vertex, glm::vec3(-e.d.x, -e.d.y, e.d.z)});
                }
                Add("jawOpen", std::move(open));
                Add("mouthClose", std::move(close));
            }
        }
        if (Absent({"mouthPucker", "mouthFunnel"})) {
            const Sources s = Source({"う"});
            if (s) {
                Offsets pucker;
                Offsets funnel;
                for (const Entry& e : *s) {
                    pucker.push_back({e.vertex, glm::vec3(e.d.x, e.d.y * 0.5f, -e.d.z)});
                    funnel.push_back({e.vertex, glm::vec3(e.d.x * 0.5f, e.d.y * 0.5f, -e.d.z)});
                }
                Add("mouthPucker", std::move(pucker));
                Add("mouthFunnel", std::move(funnel));
            }
        }
    }

    void Brows() {
        const Sources s = Source({"上"});
        if (!s) return;
        const std::vector<Entry>& entries = *s;
        if (Absent({"browInnerUp"})) {
            RampWeights w(entries.size());
            AddRamp(entries, Side::Left, true, true, w);
            AddRamp(entries, Side::Right, true, true, w);
            Add("browInnerUp", RampOffsets(entries, w));
        }
        if (Absent({"browOuterUp_L"})) {
            RampWeights w(entries.size());
            AddRamp(entries, Side::Left, false, false, w);
            Add("browOuterUp_L", RampOffsets(entries, w));
        }
        if (Absent({"browOuterUp_R"})) {
            RampWeights w(entries.size());
            AddRamp(entries, Side::Right, false, false, w);
            Add("browOuterUp_R", RampOffsets(entries, w));
        }
    }

    void StretchAndFrown() {
        if (!Absent({"mouthStretch_L", "mouthStretch_R", "mouthFrown_L", "mouthFrown_R"})) return;
        const Sources s = Source({"∧", "へ"});
        if (!s) return;
        Offsets l;
        Offsets r;
        for (const Entry& e : *s) {
            (LeftByRest(e) ? l : r).push_back({e.vertex, glm::vec3(e.d.x, e.d.y, -e.d.z) * 0.5f});
        }
        Add("mouthStretch_L", l);
        Add("mouthStretch_R", r);
        Add("mouthFrown_L", std::move(l));
        Add("mouthFrown_R", std::move(r));
    }

    void Whole(const char* target, const char* source) {
        if (!Absent({target})) return;
        const Sources s = Source({source});
        if (!s) return;
        Offsets offsets;
        for (const Entry& e : *s) offsets.push_back({e.vertex, AsIs(e.d)});
        Add(target, std::move(offsets));
    }

    PMXModel& m_model;
    const InternalMorphData& m_data;
    QSet<QString> m_addedEarlier;
};

bool AllPresent(const InternalMorphData& data, std::initializer_list<const char*> names) {
    return std::all_of(names.begin(), names.end(),
                       [&data](const char* n) { return data.vertexMorphs.contains(QString::fromUtf8(n)); });
}

bool NonePresent(const InternalMorphData& data, std::initializer_list<const char*> names) {
    return std::none_of(names.begin(), names.end(),
                        [&data](const char* n) { return data.vertexMorphs.contains(QString::fromUtf8(n)); });
}

}  // namespace

QString MissingMorphReport(const QStringList& missing) {
    if (missing.isEmpty()) return {};
    QString text = QStringLiteral("必須モーフが見つかりませんでした。|モデルに頂点モーフを追加してください。| ");
    for (const QString& name : missing) text += QLatin1Char('|') + name;
    text += QStringLiteral("| |");
    return text;
}

InternalMorphData BuildInternalMorphs(const std::shared_ptr<mmd::MMDModel>& model) {
    InternalMorphData data;
    data.model = std::dynamic_pointer_cast<PMXModel>(model);
    if (!data.model) return data;
    PMXModel& pmx = *data.model;

    // Body control looks the bone up by its ASCII spelling.
    for (const auto& node : pmx.GetPMXNodeManager().GetNodes()) {
        if (node->GetName() == "上半身２") node->SetName("上半身2");
    }

    const std::vector<mmd::PMXMorphRecord>& records = pmx.GetPMXMorphs();
    for (size_t i = 0; i < records.size(); ++i) {
        if (records[i].m_type != mmd::PMXMorphType::Position) continue;
        const QString name = QString::fromStdString(records[i].m_name);
        if (!data.vertexMorphs.contains(name)) data.vertexMorphs.insert(name, static_cast<int>(i));
        data.vertexMorphNames.append(name);
    }

    data.useEyeAdjust =
        AllPresent(data, {"まばたき", "笑い"}) &&
        NonePresent(data, {"eyeBlink_L", "eyeBlink_R", "eyeSquint_L", "eyeSquint_R", "eyeSmile_L", "eyeSmile_R"});
    if (data.useEyeAdjust) qDebug() << "useEyeAdjust";
    data.useBrowAdjust = AllPresent(data, {"怒り", "困る", "上"}) &&
                         NonePresent(data, {"noseSneer_L", "noseSneer_R", "browDown_L", "browDown_R", "browInnerUp",
                                            "browOuterUp_L", "browOuterUp_R"});
    if (data.useBrowAdjust) qDebug() << "useBrowAdjust";

    Synthesiser(pmx, data).Run();

    for (const char* name : {"あ", "う", "まばたき", "笑い", "上", "怒り", "困る"}) {
        const QString n = QString::fromUtf8(name);
        if (!data.vertexMorphs.contains(n)) data.missingMorphs.append(n);
    }
    if (!data.missingMorphs.isEmpty()) {
        if (KySettings* settings = kySettings()) settings->messageText += MissingMorphReport(data.missingMorphs);
    }

    qDebug() << "Internal Morph Data Created." << data.vertexMorphNames;
    return data;
}
