#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace mmd {

// A thin owner of an open C stdio stream for the file readers. Paths are UTF-8 and may use "\" or "/".
// Every read first checks IsOpen() and does nothing when closed; a short read or failed seek sets the bad flag,
// which only Close() clears.
class BinaryFile {
public:
    BinaryFile() = default;
    ~BinaryFile();
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    // Opens for binary reading and measures the size. Fails (and leaves the file closed) when the path is not
    // valid UTF-8, the file cannot be opened or its size cannot be measured. Closes any file open before.
    bool Open(const std::string& pathUtf8);
    // Opens in text mode for ReadAllLines; the size is measured the same way.
    bool OpenText(const std::string& pathUtf8);
    void Close();

    bool IsOpen() const { return m_stream != nullptr; }
    bool IsBad() const { return m_bad; }
    // Current byte offset; -1 when not open.
    int64_t Tell() const;
    // File size in bytes measured at open; -1 when not open.
    int64_t Size() const { return m_size; }
    // Bytes between the current offset and the end (0 when closed or past the end). Readers use it to cap
    // counts read from the file, so a lying count cannot make them allocate more than the file can hold.
    int64_t Remaining() const;

    // Reads exactly `bytes` bytes into `dst`; a short read sets bad and returns false.
    bool Read(void* dst, size_t bytes);
    // Reads one trivially copyable value as stored (little-endian host assumed).
    template <typename T>
    bool Read(T* dst) {
        return Read(static_cast<void*>(dst), sizeof(T));
    }
    // Moves to an absolute offset; a failure sets bad.
    bool Seek(int64_t offset);

    // Clears `lines`, then reads to the end of the file, ending a line at CR, LF or CR LF (not kept).
    // A last line without terminator is kept.
    bool ReadAllLines(std::vector<std::string>& lines);

private:
    bool OpenMode(const std::string& pathUtf8, const char* mode);

    FILE* m_stream = nullptr;
    int64_t m_size = -1;
    bool m_bad = false;
};

}  // namespace mmd
