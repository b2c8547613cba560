#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "face/InternalMorphData.h"

namespace mmd {
class MMDModel;
}

// Prepares a loaded model for face capture, once, after Load and before its controller is created:
// - renames a bone "上半身２" (full-width two) to "上半身2";
// - appends a position morph (weight 0) for each face-capture name the model lacks and one of its conventional
//   expression morphs ("まばたき", "笑い", "あ", ...) can stand in for, splitting it into left and right halves
//   (+x is the model's left) or reweighting it;
// - decides both combination flags;
// - appends MissingMorphReport(missing) to the settings' messageText when settings exist.
// Offsets that point past the model's vertices are left out. A morph appended after load (by an earlier call, say)
// counts as present for the targets, so a second call adds nothing. A null or non-PMX model gives empty data and
// changes nothing.
InternalMorphData BuildInternalMorphs(const std::shared_ptr<mmd::MMDModel>& model);

// The report text for required morphs the model lacks ("|" separates its lines); empty when none are missing.
QString MissingMorphReport(const QStringList& missing);
