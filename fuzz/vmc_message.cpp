// libFuzzer target: one UDP datagram of arbitrary bytes through the VMC receiver's decoding (liblo) and message
// handling, as the receiver thread does it.
#include <lo/lo.h>

#include <cstdint>

#include "vmc/VmcMessageHandler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static lo_server server = lo_server_new(nullptr, nullptr);
    static vmc::VmcMessageHandler handler;
    static bool attached = false;
    static std::int64_t stamp = 0;
    if (!attached) {
        handler.attach(server);
        attached = true;
    }
    // Both name orders of the ARKit table.
    handler.setNaturalOrder(size == 0 || (data[0] & 1) == 0);
    handler.dispatch(server, data, size);
    handler.endDatagram(++stamp);
    return 0;
}
