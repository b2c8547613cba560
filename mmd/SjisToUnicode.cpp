#include "mmd/SjisToUnicode.h"

#include <cstdint>
#include <cstring>

#include "mmd/SjisTable.h"
#include "mmd/UnicodeUtil.h"

namespace mmd {

namespace {

constexpr char16_t kInvalid = 0xFFFF;

int LeadRow(unsigned char lead) {
    if (lead >= 0x81 && lead <= 0x9F) return lead - 0x81;
    if (lead >= 0xE0 && lead <= 0xEF) return lead - 0xE0 + 31;
    return -1;
}

// Decodes text[0..size); `size` already excludes the terminating zero.
std::u16string Decode(const unsigned char* text, size_t size) {
    std::u16string out;
    out.reserve(size);
    for (size_t i = 0; i < size;) {
        const unsigned char lead = text[i];
        if (lead < 0x7F) {
            out.push_back(lead);
            ++i;
        } else if (lead >= 0xA1 && lead <= 0xDF) {
            out.push_back(static_cast<char16_t>(0xFF61 + (lead - 0xA1)));
            ++i;
        } else if (const int row = LeadRow(lead); row >= 0 && i + 1 < size && text[i + 1] >= 0x40 &&
                                                  text[i + 1] <= 0xFC) {
            out.push_back(kSjisDoubleByteTable[row][text[i + 1] - 0x40]);
            i += 2;
        } else {
            out.push_back(kInvalid);
            ++i;
        }
    }
    return out;
}

std::string ToU8(const std::u16string& text) {
    std::string out;
    // Every unit the decoder produces is a BMP code point outside the surrogate range, so this cannot fail.
    ConvU16ToU8(text, out);
    return out;
}

}  // namespace

std::u16string ConvertSjisToU16String(const char* text) {
    return Decode(reinterpret_cast<const unsigned char*>(text), std::strlen(text));
}

std::u16string ConvertSjisToU16String(const char* text, size_t maxBytes) {
    // An empty buffer may come as a null pointer (an empty vector's data()), which memchr must not see.
    if (maxBytes == 0) return {};
    const void* zero = std::memchr(text, 0, maxBytes);
    const size_t size = zero ? static_cast<size_t>(static_cast<const char*>(zero) - text) : maxBytes;
    return Decode(reinterpret_cast<const unsigned char*>(text), size);
}

std::string ConvertSjisToU8String(const char* text) { return ToU8(ConvertSjisToU16String(text)); }

std::string ConvertSjisToU8String(const char* text, size_t maxBytes) {
    return ToU8(ConvertSjisToU16String(text, maxBytes));
}

}  // namespace mmd
