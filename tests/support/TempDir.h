#pragma once

#include <string>

namespace mnx::test {

// A fresh, empty folder under the system's temporary folder, removed with its contents on destruction. Works
// the same on POSIX and Windows, so file tests also run in the Windows build.
class TempDir {
public:
    explicit TempDir(const std::string& prefix);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // UTF-8 path of the folder, empty when it could not be created.
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace mnx::test
