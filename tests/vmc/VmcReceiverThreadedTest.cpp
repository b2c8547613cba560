// The receiver's worker thread against a GUI-thread reader and a sending thread; runs under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "LoPackets.h"
#include "vmc/VmcReceiver.h"

namespace {

TEST(VmcReceiverThreadTest, ReaderSeesWholeFramesWhileTheWorkerReceivesAndRestarts) {
    vmc::VmcReceiver receiver;
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(receiver.start(0)) << receiver.lastError();
        const int port = receiver.port();
        ASSERT_GT(port, 0);
        std::atomic<bool> done{false};
        std::thread sender([port, &done] {
            for (int i = 1; i <= 200; ++i) {
                // Position and rotation are written together; a torn read would mix two frames.
                const float angle = static_cast<float>(i) * 0.001f;
                sendLoBundle(port,
                             {LoBone{"Head", {std::sin(angle), 0.0f, 0.0f, std::cos(angle)}, {angle, 0.0f, 0.0f}}});
            }
            done.store(true);
        });
        vmc::VmcFrame frame;
        int torn = 0;
        const auto check = [&] {
            if (receiver.latestIfNewer(frame) && frame.received[5]) {
                const vmc::VmcFrame::Pose& head = frame.bones[5];
                if (std::abs(std::asin(head.qx) - head.px) > 1e-4f) ++torn;
            }
        };
        while (!done.load()) {
            check();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        sender.join();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        check();
        EXPECT_EQ(torn, 0);
        EXPECT_TRUE(frame.received[5]);
        EXPECT_GT(receiver.datagramCount(), 0);
        receiver.stop();
        EXPECT_FALSE(receiver.isRunning());
    }
}

}  // namespace
