// libFuzzer target: the face-stream packet parser on arbitrary bytes, decoded the way the receiver decodes
// what the socket delivers (UTF-8 up to the first NUL).
#include <QString>
#include <cstdint>
#include <cstring>

#include "face/iFacialMoCap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static iFacialMoCap receiver;
    const void* nul = std::memchr(data, 0, size);
    const size_t length = nul != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - data) : size;
    receiver.Parse(QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(length)));
    // Mirrored and plain name orders take different paths through the slot lookup.
    if (size > 0 && (data[0] & 1) != 0) {
        iFacialMoCap::Settings settings = receiver.settings();
        settings.mirror = !settings.mirror;
        receiver.setSettings(settings);
        receiver.onModelLRChanged();
    }
    return 0;
}
