#pragma once

#include <filesystem>
#include <string>

namespace mnxc {

// Writes the bundled run-time content under `root` (the "resource" folder beside the executable): the sample
// character with its textures, the pose sets, the shared toon ramps and the accessory folder. Existing files with
// the same bytes are left untouched, so a rebuild does not change their times. False with `error` set when a file
// cannot be written.
bool WriteResourceTree(const std::filesystem::path& root, std::string* error);

}  // namespace mnxc
