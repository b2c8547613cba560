#include "vr/FaceFeed.h"

#include "app/base/FaceReceiver.h"
#include "face/FaceFrame.h"
#include "face/iFacialMoCap.h"

FaceFeed::~FaceFeed() = default;

iFacialMoCap* FaceFeed::receiver() const { return faceReceiver(); }

bool FaceFeed::isConnected(const iFacialMoCap& receiver) const { return receiver.isConnected(); }

bool FaceFeed::isCapturing() const { return faceCaptureRunning(); }

qint64 FaceFeed::frameStamp(const FaceFrame& latest) const { return latest.timestamp; }
