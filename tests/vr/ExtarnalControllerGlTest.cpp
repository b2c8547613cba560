// The body controller's debug markers: made without GL at set-up, given GL objects once a context exists.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "mmd/PMXModel.h"
#include "render/GlTestContext.h"
#include "support/ModelBuilder.h"
#include "vr/ExtarnalController.h"
#include "vr/VrTestSupport.h"

namespace {

using Peer = ExtarnalControllerTestPeer;

std::shared_ptr<mmd::PMXModel> upperBody() {
    mnx::test::ModelBuilder b;
    const int center = b.AddBone("センター", {0, 8, 0});
    const int upper = b.AddBone("上半身", {0, 10, 0}, center);
    const int upper2 = b.AddBone("上半身2", {0, 12, 0}, upper);
    const int neck = b.AddBone("首", {0, 15, 0}, upper2);
    const int head = b.AddBone("頭", {0, 16, 0}, neck);
    b.AddBone("右手首", {-5, 10, 0}, upper2);
    b.AddVertex({0, 16, 0}, head);
    b.AddVertex({1, 16, 0}, head);
    b.AddVertex({0, 17, 0}, head);
    b.AddTriangle(0, 1, 2);
    b.AddMaterial("face");
    const std::string path = ::testing::TempDir() + "markers.pmx";
    EXPECT_TRUE(b.WriteFile(path));
    auto model = std::make_shared<mmd::PMXModel>();
    return model->Load(path, "") ? model : nullptr;
}

TEST(ExtarnalControllerGlTest, MarkersWaitForAContext) {
    GlTestContext context;  // outlives the controllers, whose markers release their GL objects with it current
    auto model = upperBody();
    ASSERT_NE(model, nullptr);
    ExtarnalController controller;
    ASSERT_TRUE(controller.SetupController(model));
    const SystemMesh* virtualHead = Peer::marker(controller, QStringLiteral("vheadIK"));
    ASSERT_NE(virtualHead, nullptr);
    EXPECT_EQ(virtualHead->vertexCount(), 0);

    if (!context.create(16, 16)) GTEST_SKIP() << "no OpenGL 4.1 core context";
    controller.InitializeMarkers();
    EXPECT_GT(virtualHead->vertexCount(), 0);
    const SystemMesh* neck = Peer::marker(controller, QStringLiteral("首"));
    ASSERT_NE(neck, nullptr);
    EXPECT_GT(neck->vertexCount(), 0);
    const int count = virtualHead->vertexCount();
    controller.InitializeMarkers();
    EXPECT_EQ(virtualHead->vertexCount(), count) << "a second call leaves them be";

    // Bound while a context is current: the markers are made at once.
    auto second = upperBody();
    ASSERT_NE(second, nullptr);
    ExtarnalController bound;
    ASSERT_TRUE(bound.SetupController(second));
    EXPECT_GT(Peer::marker(bound, QStringLiteral("vheadIK"))->vertexCount(), 0);
}

}  // namespace
