#include "mmd/UnicodeUtil.h"

#include <stdexcept>

namespace mmd {

namespace {

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Shared by the 16-bit and the wide conversions: units outside the surrogate range are code points.
template <typename String>
bool ConvUnitsToU8(const String& text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t codePoint = static_cast<uint32_t>(text[i]);
        if (IsHighSurrogate(codePoint) && i + 1 < text.size() && text[i + 1] != 0) {
            const uint32_t next = static_cast<uint32_t>(text[i + 1]);
            if (!IsLowSurrogate(next)) {
                return false;
            }
            codePoint = ((codePoint - 0xD800) << 10) + (next - 0xDC00) + 0x10000;
            ++i;
        }
        char bytes[4];
        if (!EncodeUtf8(codePoint, bytes)) {
            return false;
        }
        out.append(bytes, Utf8Length(codePoint));
    }
    return true;
}

// Decodes the sequence at text[0..size); never reads past `size`.
bool DecodeBounded(const unsigned char* text, size_t size, uint32_t& codePoint, int& byteCount) {
    if (size == 0) {
        return false;
    }
    const unsigned char lead = text[0];
    int trail = 0;
    if (lead < 0x80) {
        codePoint = lead;
        byteCount = 1;
        return true;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF7) {
        trail = 3;
        codePoint = lead & 0x07;
    } else {
        return false;
    }
    for (int k = 1; k <= trail; ++k) {
        if (static_cast<size_t>(k) >= size || !IsContinuation(text[k])) {
            return false;
        }
        codePoint = (codePoint << 6) | (text[k] & 0x3F);
    }
    if ((lead == 0xE0 && text[1] < 0xA0) || (lead == 0xF0 && text[1] < 0x90)) {
        return false;
    }
    // Leads 0xF4..0xF7 can spell values UTF-16 cannot hold.
    if (codePoint > 0x10FFFF) {
        return false;
    }
    byteCount = trail + 1;
    return true;
}

template <typename String>
void AppendUtf16(uint32_t codePoint, String& out) {
    using Unit = typename String::value_type;
    if (codePoint >= 0x10000) {
        codePoint -= 0x10000;
        out.push_back(static_cast<Unit>(0xD800 + (codePoint >> 10)));
        out.push_back(static_cast<Unit>(0xDC00 + (codePoint & 0x3FF)));
    } else {
        out.push_back(static_cast<Unit>(codePoint));
    }
}

}  // namespace

int Utf8Length(uint32_t codePoint) {
    if (codePoint < 0x80) return 1;
    if (codePoint < 0x800) return 2;
    if (codePoint < 0x10000) return 3;
    if (codePoint <= 0x10FFFF) return 4;
    return 0;
}

bool EncodeUtf8(uint32_t codePoint, char out[4]) {
    switch (Utf8Length(codePoint)) {
        case 1:
            out[0] = static_cast<char>(codePoint);
            return true;
        case 2:
            out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
            out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
            return true;
        case 3:
            out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
            out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
            return true;
        case 4:
            out[0] = static_cast<char>(0xF0 | (codePoint >> 18));
            out[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
            out[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            out[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
            return true;
        default:
            return false;
    }
}

bool DecodeUtf8(const char* text, uint32_t& codePoint, int* byteCount) {
    // A terminating zero is never a continuation byte, so a bound of 4 cannot read past it.
    int count = 0;
    uint32_t decoded = 0;
    if (!DecodeBounded(reinterpret_cast<const unsigned char*>(text), 4, decoded, count)) {
        return false;
    }
    codePoint = decoded;
    if (byteCount) {
        *byteCount = count;
    }
    return true;
}

bool ConvU16ToU8(const std::u16string& text, std::string& out) { return ConvUnitsToU8(text, out); }

bool ConvU8ToU16(const std::string& text, std::u16string& out) {
    out.clear();
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        uint32_t codePoint = 0;
        int count = 0;
        if (!DecodeBounded(bytes + i, text.size() - i, codePoint, count)) {
            return false;
        }
        AppendUtf16(codePoint, out);
        i += static_cast<size_t>(count);
    }
    return true;
}

std::string ToUtf8String(const std::wstring& text) {
    std::string out;
    if (!ConvUnitsToU8(text, out)) {
        throw std::invalid_argument("Failed to convert UTF-8 string.");
    }
    return out;
}

bool TryToWString(const std::string& text, std::wstring& out) {
    out.clear();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        uint32_t codePoint = 0;
        int count = 0;
        if (!DecodeBounded(bytes + i, text.size() - i, codePoint, count)) {
            return false;
        }
        if constexpr (sizeof(wchar_t) >= 4) {
            out.push_back(static_cast<wchar_t>(codePoint));
        } else {
            AppendUtf16(codePoint, out);
        }
        i += static_cast<size_t>(count);
    }
    return true;
}

}  // namespace mmd
