#include "mmd/Path.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>

#include "mmd/UnicodeUtil.h"
#else
#include <unistd.h>

#include <climits>
#endif

namespace mmd {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::string PathJoin(const std::string& a, const std::string& b) {
    std::string result;
    for (const std::string* part : {&a, &b}) {
        size_t end = part->size();
        while (end > 0 && IsSeparator((*part)[end - 1])) {
            --end;
        }
        if (!result.empty()) {
            result += '\\';
        }
        result.append(*part, 0, end);
    }
    return result;
}

std::string GetDirectoryName(const std::string& path) {
    const size_t pos = path.find_last_of("\\/");
    return pos == std::string::npos ? std::string() : path.substr(0, pos);
}

std::string NormalizePath(const std::string& path) {
    std::string result = path;
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

std::string ToNativePath(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string result = path;
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
#endif
}

std::string GetExecutablePath() {
#ifdef _WIN32
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return ToUtf8String(std::wstring(buffer, length));
#else
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer));
    if (length <= 0 || static_cast<size_t>(length) >= sizeof(buffer)) {
        return std::string();
    }
    return std::string(buffer, static_cast<size_t>(length));
#endif
}

}  // namespace mmd
