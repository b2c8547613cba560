#include "vmc/VmcLink.h"

namespace vmc {
namespace {
VmcReceiver* g_receiver = nullptr;
}

VmcReceiver* vmcReceiver() { return g_receiver; }

void setVmcReceiver(VmcReceiver* receiver) { g_receiver = receiver; }

}  // namespace vmc
