#include "app/base/FaceReceiver.h"

#include <utility>

namespace {
iFacialMoCap* g_receiver = nullptr;
std::function<bool()> g_captureRunning;
}  // namespace

iFacialMoCap* faceReceiver() { return g_receiver; }

bool faceCaptureRunning() {
    if (g_receiver == nullptr) return false;
    return g_captureRunning ? g_captureRunning() : true;
}

void setFaceReceiver(iFacialMoCap* receiver, std::function<bool()> captureRunning) {
    g_receiver = receiver;
    g_captureRunning = receiver != nullptr ? std::move(captureRunning) : std::function<bool()>();
}
