#include "support/TempDir.h"

#include <filesystem>
#include <random>

namespace mnx::test {

namespace fs = std::filesystem;

TempDir::TempDir(const std::string& prefix) {
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) return;
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / fs::u8path(prefix + "-" + std::to_string(random()));
        // create_directory reports false for a folder that already exists, so two runs never share one.
        if (fs::create_directory(candidate, ec) && !ec) {
            m_path = candidate.u8string();
            return;
        }
    }
}

TempDir::~TempDir() {
    if (m_path.empty()) return;
    std::error_code ignored;
    fs::remove_all(fs::u8path(m_path), ignored);
}

}  // namespace mnx::test
