#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace mmd {

// A whole file read into memory with one call at open, and a bounds-checked cursor over its bytes for the file
// readers. Paths are UTF-8 and may use "\" or "/". Every read first checks IsOpen() and does nothing when closed;
// a read past the end copies what is left, moves to the end and sets the bad flag, which only Close() clears.
class BinaryFile {
public:
    BinaryFile() = default;
    ~BinaryFile() = default;
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    // Opens for binary reading and reads the whole file. Fails (and leaves the file closed) when the path is not
    // valid UTF-8, the file cannot be opened, its size cannot be measured or it cannot be read. Closes any file
    // open before.
    bool Open(const std::string& pathUtf8);
    // Opens in text mode for ReadAllLines; the size is that of the text as read.
    bool OpenText(const std::string& pathUtf8);
    void Close();

    bool IsOpen() const { return m_open; }
    bool IsBad() const { return m_bad; }
    // Current byte offset; -1 when not open.
    int64_t Tell() const { return m_open ? static_cast<int64_t>(m_position) : -1; }
    // File size in bytes; -1 when not open.
    int64_t Size() const { return m_open ? static_cast<int64_t>(m_size) : -1; }
    // Bytes between the current offset and the end (0 when closed or past the end). Readers use it to cap
    // counts read from the file, so a lying count cannot make them allocate more than the file can hold.
    int64_t Remaining() const { return m_open && m_position < m_size ? static_cast<int64_t>(m_size - m_position) : 0; }

    // Reads exactly `bytes` bytes into `dst`; a short read sets bad and returns false.
    bool Read(void* dst, size_t bytes) {
        if (m_open && m_position <= m_size && bytes <= m_size - m_position) {
            if (bytes != 0) std::memcpy(dst, m_data.get() + m_position, bytes);
            m_position += bytes;
            return true;
        }
        return ReadShort(dst);
    }
    // Consumes `bytes` bytes and returns where they lie in memory (valid until Close or the next Open), or null
    // after a short read, which sets bad and moves to the end like Read.
    const uint8_t* ReadSpan(size_t bytes) {
        if (m_open && m_position <= m_size && bytes <= m_size - m_position) {
            const uint8_t* span = m_data.get() + m_position;
            m_position += bytes;
            return span;
        }
        SkipShort();
        return nullptr;
    }
    // Reads one trivially copyable value as stored (little-endian host assumed).
    template <typename T>
    bool Read(T* dst) {
        return Read(static_cast<void*>(dst), sizeof(T));
    }
    // Moves to an absolute offset (past the end is allowed; reads there fail); a negative offset sets bad.
    bool Seek(int64_t offset);

    // Clears `lines`, then reads to the end of the file, ending a line at CR, LF or CR LF (not kept).
    // A last line without terminator is kept.
    bool ReadAllLines(std::vector<std::string>& lines);

private:
    bool OpenMode(const std::string& pathUtf8, const char* mode, bool text);
    bool ReadShort(void* dst);
    void SkipShort();

    std::unique_ptr<uint8_t[]> m_data;
    size_t m_size = 0;
    size_t m_position = 0;
    bool m_open = false;
    bool m_bad = false;
};

}  // namespace mmd
