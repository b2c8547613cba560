#pragma once

#include <cstddef>
#include <string>

namespace mmd {

// Shift-JIS (Microsoft code page 932) -> UTF-16. Reads up to the terminating zero byte. Each byte that does not
// start a valid character (0x7F, 0x80, 0xA0, 0xF0..0xFF, a lead byte whose trail is outside 0x40..0xFC)
// becomes U+FFFF and consumes one byte. A lead 0x81..0x9F/0xE0..0xEF with a trail in 0x40..0xFC always
// consumes both bytes; a pair that code page 932 leaves unassigned gives U+FFFF.
std::u16string ConvertSjisToU16String(const char* text);

// Same, but reads at most `maxBytes` bytes (stopping earlier at a zero byte): for fixed-size name fields
// that need not be zero-terminated. A lead byte in the last position becomes U+FFFF.
std::u16string ConvertSjisToU16String(const char* text, size_t maxBytes);

// Shift-JIS -> UTF-16 -> UTF-8 (U+FFFF replacement characters are kept as EF BF BF).
std::string ConvertSjisToU8String(const char* text);
std::string ConvertSjisToU8String(const char* text, size_t maxBytes);

}  // namespace mmd
