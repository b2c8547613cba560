// libFuzzer target: the Shift-JIS decoder and the UTF-8/UTF-16 conversions, with their round-trip promises.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "mmd/SjisToUnicode.h"
#include "mmd/UnicodeUtil.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void FuzzSjis(const uint8_t* data, size_t size) {
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    const std::u16string u16 = mmd::ConvertSjisToU16String(text.data());
    const std::string u8 = mmd::ConvertSjisToU8String(text.data());
    // Every byte yields at most one unit, and the UTF-8 form is just the UTF-16 one converted.
    Check(u16.size() <= std::strlen(text.data()));
    std::string expected;
    Check(mmd::ConvU16ToU8(u16, expected));
    Check(expected == u8);
    // The bounded form may stop early but never reads past maxBytes.
    std::vector<char> bounded(data, data + size);
    const std::u16string boundedU16 = mmd::ConvertSjisToU16String(bounded.data(), bounded.size());
    Check(boundedU16.size() <= bounded.size());
    (void)mmd::ConvertSjisToU8String(bounded.data(), bounded.size());
}

// Whether the text holds a surrogate written as its own 3-byte sequence (ED A0..BF xx).
bool SpellsSurrogate(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) == 0xED && static_cast<unsigned char>(text[i + 1]) >= 0xA0) return true;
    }
    return false;
}

void FuzzUtf8(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // Surrogates spelled one by one (ED A0..BF xx) are accepted so that file names round-trip, but a pair of
    // them comes back as one 4-byte sequence, and a high one before another unit does not convert back at all.
    const bool spellsSurrogate = SpellsSurrogate(text);
    std::u16string u16;
    if (mmd::ConvU8ToU16(text, u16) && !spellsSurrogate) {
        std::string back;
        Check(mmd::ConvU16ToU8(u16, back));
        Check(back == text);
    }
    // DecodeUtf8 walks a zero-terminated copy; every successful step must fit in what is left and re-encode
    // to the same bytes.
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    size_t pos = 0;
    while (pos < size) {
        uint32_t codePoint = 0;
        int count = 0;
        if (mmd::DecodeUtf8(copy.data() + pos, codePoint, &count)) {
            Check(count >= 1 && count <= 4);
            Check(pos + static_cast<size_t>(count) <= size);
            char encoded[4];
            Check(mmd::EncodeUtf8(codePoint, encoded));
            Check(mmd::Utf8Length(codePoint) == count);
            Check(std::memcmp(encoded, copy.data() + pos, static_cast<size_t>(count)) == 0);
            pos += static_cast<size_t>(count);
        } else {
            ++pos;
        }
    }
}

void FuzzUtf16(const uint8_t* data, size_t size) {
    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), data, text.size() * 2);
    std::string u8;
    if (mmd::ConvU16ToU8(text, u8)) {
        // Lone surrogates are written as their own sequence and read back as the same unit.
        std::u16string back;
        Check(mmd::ConvU8ToU16(u8, back));
        Check(back == text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSjis(data, size);
    FuzzUtf8(data, size);
    FuzzUtf16(data, size);
    return 0;
}
