#pragma once

#include <QtGlobal>

class iFacialMoCap;
struct FaceFrame;

// Where the body controller reads face capture. The base class reads the orchestrator's receiver; tools and
// tests derive from it to supply frames of their own (for example a receiver they parse packets into).
class FaceFeed {
public:
    virtual ~FaceFeed();

    // The receiver to read; null when there is none.
    virtual iFacialMoCap* receiver() const;
    // The phone is connected to `receiver`.
    virtual bool isConnected(const iFacialMoCap& receiver) const;
    // The orchestrator reports face capture running.
    virtual bool isCapturing() const;
    // The stamp that tells frames apart: the frame's parse time in milliseconds.
    virtual qint64 frameStamp(const FaceFrame& latest) const;
};
