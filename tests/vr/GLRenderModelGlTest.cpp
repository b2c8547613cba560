// Render models from the runtime onto the GPU: the case-insensitive cache, the failure logs, and that the
// runtime's copies are freed.
#include <gtest/gtest.h>

#include "VrTestSupport.h"
#include "vr/GLRenderModel.h"

using namespace mnxvr;
using vrtest::device;

namespace {

// The simulated runtime with a texture that never loads.
class NoTextureRuntime : public SimulatedRuntime {
public:
    using SimulatedRuntime::SimulatedRuntime;
    EVRRenderModelError LoadTexture_Async(TextureID_t, RenderModel_TextureMap_t**) override {
        return VRRenderModelError_InvalidTexture;
    }
};

QByteArray wandSession() {
    return vrtest::session(
        {device(0, "HMD", "H"), device(1, "Controller", "CR", R"("hand": "right", "renderModel": "sim_wand")")});
}

TEST(GLRenderModelGlTest, LoadsOnceAndReusesTheModelWhateverTheLetterCase) {
    vrtest::GlScope gl;
    if (!gl.create()) GTEST_SKIP() << "no OpenGL 4.1 core context";
    vrtest::SessionFiles files;
    vrtest::SimulatedScope scope(files.write(wandSession()));
    ASSERT_TRUE(initVR());
    std::vector<std::unique_ptr<GLRenderModel>> cache;
    vrtest::QtLog log;
    GLRenderModel* model = loadRenderModel(cache, "sim_wand");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(log.all(), QStringList({"D render model added."}));
    EXPECT_EQ(model->name(), "sim_wand");
    EXPECT_EQ(model->indexCount(), 36);
    EXPECT_TRUE(gl.gl().glIsTexture(model->texture()));
    EXPECT_EQ(scope.runtime().liveRenderModels(), 0);
    EXPECT_EQ(scope.runtime().liveTextures(), 0);
    EXPECT_EQ(loadRenderModel(cache, "SIM_Wand"), model);
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_EQ(log.all().size(), 1);
    model->draw();
    EXPECT_EQ(gl.gl().glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    cache.clear();
}

TEST(GLRenderModelGlTest, FailuresLogTheReasonAndLeakNothing) {
    vrtest::GlScope gl;
    if (!gl.create()) GTEST_SKIP() << "no OpenGL 4.1 core context";
    vrtest::SessionFiles files;
    std::vector<std::unique_ptr<GLRenderModel>> cache;
    {
        vrtest::SimulatedScope scope(files.write(wandSession()));
        ASSERT_TRUE(initVR());
        vrtest::QtLog log;
        EXPECT_EQ(loadRenderModel(cache, "no_such_model"), nullptr);
        EXPECT_EQ(log.all(),
                  QStringList({"D Unable to load render model no_such_model - VRRenderModelError_InvalidModel\n"}));
    }
    auto runtime = std::make_unique<NoTextureRuntime>(files.write(wandSession(), "other.json"));
    runtime->setPacing(false);
    NoTextureRuntime* noTexture = runtime.get();
    installVRRuntime(std::move(runtime));
    ASSERT_TRUE(initVR());
    vrtest::QtLog log;
    EXPECT_EQ(loadRenderModel(cache, "sim_wand"), nullptr);
    EXPECT_EQ(log.all(), QStringList({"D Unable to load render texture id:1 for render model sim_wand\n"}));
    EXPECT_EQ(noTexture->liveRenderModels(), 0);
    EXPECT_TRUE(cache.empty());
    shutdownVR();
    installVRRuntime(nullptr);
}

TEST(GLRenderModelGlTest, ReleaseIsSafeTwiceAndBuildRejectsEmptyInput) {
    vrtest::GlScope gl;
    if (!gl.create()) GTEST_SKIP() << "no OpenGL 4.1 core context";
    GLRenderModel model("empty");
    EXPECT_FALSE(model.build(nullptr, 0, nullptr, 0, nullptr, 0, 0));
    model.draw();
    model.release();
    model.release();
    EXPECT_EQ(model.indexCount(), 0);
}

}  // namespace
