#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace mnxc {

// Names of the bundled pose sets, the folders under the resource tree's "pose" folder; "default" first, the set the
// app falls back to.
const std::vector<std::string>& PoseSetNames();

// Writes every bundled pose set under `poseDir`: per set a folder with its idle loop "stand.vmd" and the twelve
// hand poses ("handDefault_R.vpd" … "handTumbsUp_L.vpd"). The sets share the hand poses, so switching the set keeps
// the hands working. Files that already hold the same bytes are left untouched. False with `error` set when a
// folder or file cannot be written.
bool WritePoseSets(const std::filesystem::path& poseDir, std::string* error);

}  // namespace mnxc
