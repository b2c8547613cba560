#pragma once

#include <QLatin1String>
#include <QStringRef>

// The blend-shape name table of the phone's stream: 56 names whose list position is the slot index.
// Two fixed orders exist: natural (used in mirror mode) and exchanged, where every left/right pair trades
// places. Slots 0..52 carry values; 53..55 ("=head#", "leftEye#", "rightEye#") only complete the table.
// Immutable and allocation-free, so the capture thread may look names up while the GUI thread switches order.
class FaceNameTable {
public:
    static constexpr int kSize = 56;

    // Slot of `name` (exact, case-sensitive) in the natural (`natural` true) or exchanged order; -1 if absent.
    static int indexOf(QStringRef name, bool natural);
    // Name at `slot` in the chosen order; empty for a slot outside 0..55.
    static QLatin1String nameAt(int slot, bool natural);
};
