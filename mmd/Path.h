#pragma once

#include <string>

namespace mmd {

// Paths are UTF-8. "\" and "/" are both separators; paths these functions build use "\".

// Joins two parts with "\" after removing each part's trailing separators; an empty first part gives the second.
// PathJoin("C:\models\", "tex/a.png") == "C:\models\tex/a.png".
std::string PathJoin(const std::string& a, const std::string& b);

// Text before the last separator; empty when there is none.
std::string GetDirectoryName(const std::string& path);

// Every "/" replaced by "\".
std::string NormalizePath(const std::string& path);

// Full path of the running executable (UTF-8); empty if the system cannot tell.
std::string GetExecutablePath();

// The path as the operating system wants it: on POSIX every "\" becomes "/", elsewhere unchanged.
// Only the layer that actually opens a file calls this.
std::string ToNativePath(const std::string& path);

}  // namespace mmd
