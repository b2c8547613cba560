#include "app/base/VrStatus.h"

#include <atomic>

namespace {
std::atomic<bool> g_vrRunning{false};
}

bool vrRunning() { return g_vrRunning.load(); }

void setVrRunning(bool running) { g_vrRunning.store(running); }
