#include "mmd/File.h"

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
    if (fseeko(stream, 0, SEEK_END) != 0) return -1;
    const int64_t size = ftello(stream);
    if (size < 0 || fseeko(stream, 0, SEEK_SET) != 0) return -1;
    return size;
#endif
}

}  // namespace

BinaryFile::~BinaryFile() { Close(); }

bool BinaryFile::Open(const std::string& pathUtf8) { return OpenMode(pathUtf8, "rb"); }

bool BinaryFile::OpenText(const std::string& pathUtf8) { return OpenMode(pathUtf8, "r"); }

bool BinaryFile::OpenMode(const std::string& pathUtf8, const char* mode) {
    Close();
    FILE* stream = OpenStream(pathUtf8, mode);
    if (!stream) {
        return false;
    }
    const int64_t size = MeasureSize(stream);
    if (size < 0) {
        std::fclose(stream);
        return false;
    }
    m_stream = stream;
    m_size = size;
    return true;
}

void BinaryFile::Close() {
    if (m_stream) {
        std::fclose(m_stream);
    }
    m_stream = nullptr;
    m_size = -1;
    m_bad = false;
}

int64_t BinaryFile::Tell() const {
    if (!IsOpen()) {
        return -1;
    }
#ifdef _WIN32
    return _ftelli64(m_stream);
#else
    return ftello(m_stream);
#endif
}

int64_t BinaryFile::Remaining() const {
    const int64_t position = Tell();
    if (position < 0 || position >= m_size) {
        return 0;
    }
    return m_size - position;
}

bool BinaryFile::Read(void* dst, size_t bytes) {
    if (!IsOpen()) {
        return false;
    }
    if (bytes == 0) {
        return true;
    }
    if (std::fread(dst, bytes, 1, m_stream) != 1) {
        m_bad = true;
        return false;
    }
    return true;
}

bool BinaryFile::Seek(int64_t offset) {
    if (!IsOpen()) {
        return false;
    }
#ifdef _WIN32
    const bool ok = _fseeki64(m_stream, offset, SEEK_SET) == 0;
#else
    const bool ok = fseeko(m_stream, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
    if (!ok) {
        m_bad = true;
    }
    return ok;
}

bool BinaryFile::ReadAllLines(std::vector<std::string>& lines) {
    lines.clear();
    if (!IsOpen()) {
        return false;
    }
    std::string line;
    bool pending = false;
    for (int c = std::getc(m_stream); c != EOF; c = std::getc(m_stream)) {
        if (c == '\r' || c == '\n') {
            if (c == '\r') {
                const int next = std::getc(m_stream);
                if (next != '\n' && next != EOF) {
                    std::ungetc(next, m_stream);
                }
            }
            lines.push_back(std::move(line));
            line.clear();
            pending = false;
        } else {
            line.push_back(static_cast<char>(c));
            pending = true;
        }
    }
    if (pending) {
        lines.push_back(std::move(line));
    }
    return true;
}

}  // namespace mmd
