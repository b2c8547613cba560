#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Image.h"

namespace mnxc {

// The images compiled into the application, by file name under the "img" folder of the resource bundle
// (e.g. "mainroom.png"). Texture coordinates follow the system meshes: v runs down the picture.
std::map<std::string, Image> QtAssetImages();

// Square application icon of `size` pixels (a marionette head in a circle), transparent outside the circle.
Image AppIcon(int size);

// ICO file bytes holding one PNG-compressed entry per image (each at most 256 x 256, in the given order).
std::string EncodeIco(const std::vector<Image>& images);

// Writes the images (img/<name>.png), "Marionix.ico" and the resource collection `qrcName` listing them under the
// prefixes "/img" and "/Marionix" into `dir`. Files that already hold the same bytes are left untouched. False with
// `error` set when a file cannot be written.
bool WriteQtAssets(const std::filesystem::path& dir, const std::string& qrcName, std::string* error);

}  // namespace mnxc
