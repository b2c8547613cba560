#pragma once

#include <cstdint>
#include <string>

namespace mmd {

// UTF-16 -> UTF-8. A high surrogate followed by a low one is combined; a high surrogate followed by any other
// non-zero unit fails. Lone surrogates are written as their own 3-byte sequence so file names round-trip.
// On failure returns false and `out` holds what was converted before the bad unit.
bool ConvU16ToU8(const std::u16string& text, std::string& out);

// UTF-8 -> UTF-16 (code points above U+FFFF become surrogate pairs). Fails on any invalid or overlong
// sequence, including one cut off by the end of the string.
bool ConvU8ToU16(const std::string& text, std::u16string& out);

// Wide string -> UTF-8, converting like ConvU16ToU8 (units above 0xFFFF, as in a 32-bit wchar_t string,
// are taken as code points). Throws std::invalid_argument("Failed to convert UTF-8 string.") on failure.
std::string ToUtf8String(const std::wstring& text);

// UTF-8 -> the platform's wide string (UTF-16 where wchar_t is 16 bits, one code point per unit where it is
// 32 bits). Returns false on an invalid sequence.
bool TryToWString(const std::string& text, std::wstring& out);

// Writes the 1..4 byte UTF-8 form of `codePoint` to `out`; returns false above U+10FFFF (out untouched).
// The byte count follows from the code point (Utf8Length) or from the first byte written.
bool EncodeUtf8(uint32_t codePoint, char out[4]);

// Bytes EncodeUtf8 writes for `codePoint`: 1..4, or 0 above U+10FFFF.
int Utf8Length(uint32_t codePoint);

// Decodes one code point at `text`, which must be zero-terminated or hold a complete sequence: decoding stops
// at the first byte that does not fit, so it never reads past a terminating zero. Returns false for an
// invalid lead byte (0x80..0xC1, 0xF8..0xFF), a bad continuation byte or an overlong 3/4-byte form.
// `byteCount`, when given, receives the length of the decoded sequence.
bool DecodeUtf8(const char* text, uint32_t& codePoint, int* byteCount = nullptr);

}  // namespace mmd
