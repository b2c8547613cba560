#include "mmd/File.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "mmd/Path.h"
#include "mmd/UnicodeUtil.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace mmd {

namespace {

FILE* OpenStream(const std::string& pathUtf8, const char* mode) {
    std::wstring widePath;
    if (!TryToWString(pathUtf8, widePath)) {
        return nullptr;
    }
#ifdef _WIN32
    std::wstring wideMode;
    TryToWString(mode, wideMode);
    return _wfopen(widePath.c_str(), wideMode.c_str());
#else
    return std::fopen(ToNativePath(pathUtf8).c_str(), mode);
#endif
}

int64_t MeasureSize(FILE* stream) {
#ifdef _WIN32
    if (_fseeki64(stream, 0, SEEK_END) != 0) return -1;
    const int64_t size = _ftelli64(stream);
    if (size < 0 || _fseeki64(stream, 0, SEEK_SET) != 0) return -1;
    return size;
#else
    // A directory or a pipe opens fine on POSIX but has no size to read against.
    struct stat info {};
    if (fstat(fileno(stream), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<int64_t>(info.st_size);
#endif
}

struct StreamCloser {
    void operator()(FILE* stream) const { std::fclose(stream); }
};

}  // namespace

bool BinaryFile::Open(const std::string& pathUtf8) { return OpenMode(pathUtf8, "rb", false); }

bool BinaryFile::OpenText(const std::string& pathUtf8) { return OpenMode(pathUtf8, "r", true); }

bool BinaryFile::OpenMode(const std::string& pathUtf8, const char* mode, bool text) {
    Close();
    const std::unique_ptr<FILE, StreamCloser> stream(OpenStream(pathUtf8, mode));
    if (!stream) {
        return false;
    }
    const int64_t size = MeasureSize(stream.get());
    if (size < 0 || static_cast<uint64_t>(size) > SIZE_MAX) {
        return false;
    }
    // Left uninitialised: the read below fills every byte that is kept.
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[size > 0 ? static_cast<size_t>(size) : 1]);
    if (!data) {
        return false;
    }
    const size_t read = size > 0 ? std::fread(data.get(), 1, static_cast<size_t>(size), stream.get()) : 0;
    // Text mode may shorten the bytes (CR LF on Windows); a binary file that reads short changed under us.
    if (std::ferror(stream.get()) || (!text && read != static_cast<size_t>(size))) {
        return false;
    }
    m_data = std::move(data);
    m_size = read;
    m_position = 0;
    m_open = true;
    return true;
}

void BinaryFile::Close() {
    m_data.reset();
    m_size = 0;
    m_position = 0;
    m_open = false;
    m_bad = false;
}

bool BinaryFile::ReadShort(void* dst) {
    if (!m_open) {
        return false;
    }
    // Like a stream read that hits the end: what is left is delivered and the cursor stops at the end.
    if (m_position < m_size) {
        std::memcpy(dst, m_data.get() + m_position, m_size - m_position);
        m_position = m_size;
    }
    m_bad = true;
    return false;
}

void BinaryFile::SkipShort() {
    if (m_open) {
        m_position = std::max(m_position, m_size);
        m_bad = true;
    }
}

bool BinaryFile::Seek(int64_t offset) {
    if (!m_open) {
        return false;
    }
    if (offset < 0) {
        m_bad = true;
        return false;
    }
    m_position = static_cast<size_t>(offset);
    return true;
}

bool BinaryFile::ReadAllLines(std::vector<std::string>& lines) {
    lines.clear();
    if (!m_open) {
        return false;
    }
    const char* const begin = reinterpret_cast<const char*>(m_data.get());
    const char* const end = begin + m_size;
    const char* p = begin + std::min(m_position, m_size);
    const char* lineStart = p;
    while (p != end) {
        const char c = *p;
        if (c != '\r' && c != '\n') {
            ++p;
            continue;
        }
        lines.emplace_back(lineStart, p);
        ++p;
        if (c == '\r' && p != end && *p == '\n') {
            ++p;
        }
        lineStart = p;
    }
    if (lineStart != end) {
        lines.emplace_back(lineStart, end);
    }
    m_position = m_size;
    return true;
}

}  // namespace mmd
