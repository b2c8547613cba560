#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>

namespace mmd {
class PMXModel;
}

// What preparing a model's face morphs found out about it. Kept only while the model's controller is set up; the
// two flags are copied into the controller.
struct InternalMorphData {
    // The prepared model, shared with its owner; null when the model given was not a PMX model.
    std::shared_ptr<mmd::PMXModel> model;
    // Vertex-morph name (UTF-8 decoded) -> index into model->GetPMXMorphs(). A name that several records carry
    // maps to the first of them, the one the runtime's lookup by name finds too.
    QHash<QString, int> vertexMorphs;
    // Every vertex-morph name in file order as the file had them, before any morph was added (duplicates kept).
    QStringList vertexMorphNames;
    // Required expression morphs the model lacks, in the order the report lists them; empty when complete.
    QStringList missingMorphs;
    // Blinks and smiles come from the model's "まばたき" and "笑い" and have to share the eyes between them.
    bool useEyeAdjust = false;
    // Brows come from "怒り", "困る" and "上", so a sneer has to be taken out of the lowered brows.
    bool useBrowAdjust = false;
};
