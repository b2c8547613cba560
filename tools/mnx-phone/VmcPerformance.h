#pragma once

#include <QString>
#include <QTextStream>
#include <atomic>

class SyntheticPerformance;

// mnx-phone --vmc HOST:PORT: sends the synthetic performance as VMC at 60 Hz instead of answering the
// iFacialMocap commands: a small upper-body animation (spine, neck, head from the performance's head, arms that
// sway and wave, fingers that curl) and its blend shapes under their ARKit names plus the VRM mouth and blink
// presets, one liblo bundle per frame. Runs until interrupted (`interrupted` becomes true). Returns the exit code.
int runVmcPerformance(const QString& destination, const SyntheticPerformance& performance,
                      const std::atomic<bool>& interrupted, QTextStream& out, QTextStream& err);
