#include "support/ShiftJis.h"

#include <iconv.h>

#include <cerrno>

namespace mnx::test {

std::string ToShiftJis(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return utf8;
    }
    std::string out;
    std::string in = utf8;
    char* src = in.data();
    size_t srcLeft = in.size();
    char buffer[256];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof(buffer);
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            out.push_back('?');
            ++src;
            --srcLeft;
            while (srcLeft > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80) {
                ++src;
                --srcLeft;
            }
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace mnx::test
