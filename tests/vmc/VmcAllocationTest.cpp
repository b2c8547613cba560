// Receive and send on the render thread allocate nothing per frame: the received pose applied to a real model,
// its VRM presets, and the bundle serialised and sent.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "LoPackets.h"
#include "app/base/KySettings.h"
#include "mmd/PMXModel.h"
#include "support/CountingMalloc.h"
#include "vmc/VmcCharacter.h"
#include "vmc/VmcReceiver.h"

namespace {

TEST(VmcAllocationTest, ApplyAndSendPerFrameAllocateNothing) {
#if !MNX_COUNT_MALLOC
    GTEST_SKIP() << "the sanitizers bring their own allocator";
#else
    KySettings settings;
    settings.vmcSend = true;
    settings.vmcSendHost = QStringLiteral("127.0.0.1");
    setKySettings(&settings);
    vmc::VmcReceiver receiver;
    ASSERT_TRUE(receiver.start(0));
    settings.vmcSendPort = 9;  // discard; nobody needs to listen

    auto model = std::make_shared<mmd::PMXModel>();
    ASSERT_TRUE(model->Load(MNX_FIXTURES_DIR "/real/miku_v2/index.pmx", ""));
    model->InitializeAnimation();
    vmc::VmcCharacter character(model, nullptr);

    long perFrame = 0;
    for (int frame = 0; frame < 6; ++frame) {
        // A new packet every frame, so each frame copies and applies a new pose.
        sendLoBundle(receiver.port(), {{"LeftUpperArm", {0.0f, 0.0f, -0.1f * frame, 1.0f}}, {"Hips", {0, 0, 0, 1}}},
                     {{"A", 0.1f * frame}, {"jawOpen", 0.5f}});
        for (int i = 0; i < 200 && receiver.datagramCount() <= frame; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const std::int64_t now = vmc::steadyMs();
        model->BeginAnimation();
        const long before = g_allocations.load();
        character.UpdateBeforeModel(now, &receiver);
        const long afterApply = g_allocations.load();
        model->UpdateMorphAnimation();
        model->UpdateNodeAnimation(false);
        model->UpdateNodeAnimation(true);
        model->EndAnimation();
        const long beforeSend = g_allocations.load();
        character.SendAfterModel(static_cast<float>(frame) / 60.0f);
        const long afterSend = g_allocations.load();
        // The first two frames may set up (the destination, the one-time report).
        if (frame >= 2) perFrame += (afterApply - before) + (afterSend - beforeSend);
    }
    EXPECT_EQ(perFrame, 0);
    EXPECT_GT(character.sender().size(), 0u);
    EXPECT_EQ(character.weight(), 1.0f);
    receiver.stop();
    setKySettings(nullptr);
#endif
}

}  // namespace
