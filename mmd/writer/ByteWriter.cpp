#include "mmd/writer/ByteWriter.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace mmd {

bool WriteBytesToFile(const std::vector<uint8_t>& bytes, const std::string& path) {
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<uint8_t> ReadBytesFromFile(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace mmd
