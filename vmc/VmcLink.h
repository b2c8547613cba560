#pragma once

namespace vmc {
class VmcReceiver;

// The orchestrator's VMC receiver, for the per-model glue below the application layer. Not owned here; null while
// none exists. GUI thread only.
VmcReceiver* vmcReceiver();
void setVmcReceiver(VmcReceiver* receiver);

}  // namespace vmc
