// The drawable model through the renderer, as the desktop view and the headset's eye views draw it: the toon
// pass, the outline pass, the shadow pass (whatever state the previous pass left), brows through the hair,
// accessories, index widths, a real model's self-shadow, the eye view's toon banding, UV morphs and the VR panel.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <glm/gtc/constants.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <memory>
#include <string>
#include <vector>

#include "TestShapes.h"
#include "app/base/KySettings.h"
#include "mmd/MMDNode.h"
#include "mmd/PMXModel.h"
#include "mmdr/AppContext.h"
#include "mmdr/Model.h"
#include "render/GLFunctions.h"
#include "render/GlTestContext.h"
#include "scene/TzRenderer.h"
#include "support/ModelBuilder.h"

namespace {

using mnx::test::addSphere;
using mnx::test::addSquare;
using mnx::test::ModelBuilder;

constexpr int kSize = 256;

// A toon ramp that falls smoothly from white to dark grey, so every light angle samples its own shade.
void writeSmoothToonRamp(const QString& dir) {
    QImage ramp(32, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y) {
        const int v = 255 - y * 6;
        for (int x = 0; x < 32; ++x) ramp.setPixelColor(x, y, QColor(v, v, v));
    }
    ramp.save(QDir(dir).filePath(QStringLiteral("toon01.bmp")), "BMP");
}

class ModelTest : public ::testing::Test {
protected:
    // The renderer on the test's context, the way the tools run it without a widget.
    void SetUp() override {
        if (!m_gl.create(kSize, kSize)) GTEST_SKIP() << "no OpenGL 4.1 core context";
        ASSERT_TRUE(m_dir.isValid());
        writeSmoothToonRamp(m_dir.path());
        m_settings = std::make_unique<KySettings>();
        setKySettings(m_settings.get());
        m_renderer = std::make_unique<TzRenderer>();
        m_renderer->initialize(kSize, kSize, nullptr);
        m_renderer->setViewportSize(kSize, kSize);
        m_context = m_renderer->appContext();
        // The model's runtime frame faces +z; the camera looks at it from there.
        m_context->m_viewMat = glm::lookAt(glm::vec3(0, 0, 20), glm::vec3(0), glm::vec3(0, 1, 0));
        m_context->m_projMat = glm::perspective(glm::radians(30.0f), 1.0f, 1.0f, 100.0f);
    }
    void TearDown() override {
        if (m_context) {
            m_context->m_mainModel = nullptr;
            m_context->m_accessories.clear();
        }
        m_models.clear();
        m_renderer.reset();
        setKySettings(nullptr);
    }

    mmdr::Model* load(const std::string& path, const std::string& toonDir) {
        auto pmx = std::make_shared<mmd::PMXModel>();
        if (!pmx->Load(path, toonDir)) return nullptr;
        pmx->InitializeAnimation();
        auto model = std::make_unique<mmdr::Model>();
        model->m_mmdModel = pmx;
        if (!model->Setup(*m_context)) return nullptr;
        m_models.push_back(std::move(model));
        m_context->m_mainModel = m_models.back().get();
        m_renderer->setSceneReady(true);
        return m_models.back().get();
    }

    mmdr::Model* load(const ModelBuilder& builder, const std::string& name = "model") {
        const std::string path = QDir(m_dir.path()).filePath(QString::fromStdString(name + ".pmx")).toStdString();
        EXPECT_TRUE(builder.WriteFile(path));
        return load(path, m_dir.path().toStdString());
    }

    void unload() {
        m_context->m_mainModel = nullptr;
        m_models.clear();
    }

    // The shadow map's depth, read back from its framebuffer.
    std::vector<float> shadowDepth() {
        QOpenGLFunctions_4_1_Core* gl = glFunctions();
        const ShadowMap& shadow = *m_context->m_shadowMap;
        std::vector<float> depth(size_t(shadow.GetWidth()) * size_t(shadow.GetHeight()));
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, shadow.GetFramebuffer());
        gl->glReadPixels(0, 0, shadow.GetWidth(), shadow.GetHeight(), GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        return depth;
    }

    // Animation, upload and the shadow pass as one frame of the app runs them; then the desktop view into the
    // test target. With `shadows` off the shadow map is emptied before the draw (nothing casts).
    QImage frame(bool shadows = true) {
        m_context->m_elapsed = 1.0f / 30.0f;
        m_context->UpdateAnimation();
        m_context->UpdateGpu();
        m_context->DrawShadowMap();
        QOpenGLFunctions_4_1_Core* gl = glFunctions();
        if (!shadows) {
            gl->glBindFramebuffer(GL_FRAMEBUFFER, m_context->m_shadowMap->GetFramebuffer());
            gl->glDepthMask(GL_TRUE);
            gl->glClear(GL_DEPTH_BUFFER_BIT);
        }
        m_gl.bindTarget(0.0f, 0.0f, 0.0f, 1.0f);
        m_context->Draw(false);
        return m_gl.readTarget();
    }

    // What the drawable model uploaded into one of its array buffers.
    template <typename T>
    static std::vector<T> readBuffer(GLuint buffer, size_t count) {
        std::vector<T> values(count);
        glFunctions()->glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glFunctions()->glGetBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(count * sizeof(T)), values.data());
        glFunctions()->glBindBuffer(GL_ARRAY_BUFFER, 0);
        return values;
    }

    static QColor centre(const QImage& image) { return image.pixelColor(image.width() / 2, image.height() / 2); }

    static int countPixels(const QImage& image, const std::function<bool(const QColor&)>& matches) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) n += matches(image.pixelColor(x, y));
        }
        return n;
    }

    GlTestContext m_gl;
    QTemporaryDir m_dir;
    std::unique_ptr<KySettings> m_settings;
    std::unique_ptr<TzRenderer> m_renderer;
    AppContext* m_context = nullptr;
    std::vector<std::unique_ptr<mmdr::Model>> m_models;
};

// What a pass before the shadow pass may leave behind.
struct LeftState {
    const char* name;
    bool depthTest;
    GLenum depthFunc;
    bool depthWrite;
    bool cull;
};

TEST_F(ModelTest, DrawsTheMaterialColourLitByTheLight) {
    ModelBuilder b;
    const int root = b.AddBone("センター", {0, 0, 0});
    addSquare(b, 0, 0, 0, 3, "skin", root);
    b.Material(0).m_diffuse = glm::vec4(1.0f, 0.2f, 0.2f, 1.0f);
    b.Material(0).m_ambient = glm::vec3(0.5f, 0.1f, 0.1f);
    ASSERT_TRUE(load(b));
    const QImage image = frame();
    const QColor c = centre(image);
    EXPECT_GT(c.red(), 120) << saveTestImage(image, "model_lit").toStdString();
    EXPECT_LT(c.green(), c.red() / 2);
    EXPECT_LT(c.blue(), c.red() / 2);
    // The corners stay background: the square is drawn where it is, not over the whole view.
    EXPECT_EQ(image.pixelColor(1, 1), QColor(0, 0, 0));
}

TEST_F(ModelTest, MaterialWithAlphaZeroIsNotDrawnButStillCastsItsShadow) {
    m_settings->lightDir = Vector3{0.0f, 0.0f, -1.0f};
    auto scene = [&](bool withCaster, float casterAlpha) {
        ModelBuilder b;
        const int root = b.AddBone("センター", {0, 0, 0});
        addSquare(b, 0, 0, 0, 6, "wall", root);
        b.Material(0).m_diffuse = glm::vec4(0.5f, 0.5f, 0.5f, 1.0f);
        b.Material(0).m_ambient = glm::vec3(0.3f);
        if (withCaster) {
            addSquare(b, 0, 0, -3, 1.5f, "caster", root);
            b.Material(1).m_diffuse.a = casterAlpha;
        }
        return b;
    };
    ASSERT_TRUE(load(scene(false, 0.0f), "plain"));
    const QColor lit = centre(frame());
    unload();
    ASSERT_TRUE(load(scene(true, 0.0f), "hidden"));
    const QImage image = frame();
    const QColor shaded = centre(image);
    // The invisible caster is not drawn: the centre shows the wall, only darker where the light is blocked.
    EXPECT_LT(shaded.lightness(), lit.lightness() - 10) << saveTestImage(image, "model_alpha0").toStdString();
    EXPECT_GT(shaded.lightness(), 0);
}

TEST_F(ModelTest, OutlineIsDrawnInTheEdgeColourOnlyForEdgeMaterials) {
    auto outlinePixels = [&](bool edge) {
        ModelBuilder b;
        const int root = b.AddBone("センター", {0, 0, 0});
        addSphere(b, 3, "body", root, 16, 24);
        mmd::PMXMaterial& m = b.Material(0);
        m.m_edgeColor = glm::vec4(0.0f, 1.0f, 0.0f, 1.0f);
        m.m_edgeSize = 4.0f;
        m.m_diffuse = glm::vec4(0.2f, 0.2f, 1.0f, 1.0f);
        if (!edge) m.m_drawFlags &= static_cast<uint8_t>(~mmd::kPMXDrawEdge);
        unload();
        if (!load(b, edge ? "edge" : "plain")) return -1;
        const QImage image = frame();
        saveTestImage(image, edge ? "model_edge" : "model_noedge");
        return countPixels(image, [](const QColor& c) { return c.green() > 150 && c.red() < 80 && c.blue() < 80; });
    };
    EXPECT_GT(outlinePixels(true), 40);
    EXPECT_EQ(outlinePixels(false), 0);
}

TEST_F(ModelTest, BrowMaterialShowsThroughTheHairWithTheTransBrowSetting) {
    auto centreColour = [&](float transBrow) {
        m_settings->transBrow = transBrow;
        ModelBuilder b;
        const int root = b.AddBone("センター", {0, 0, 0});
        // The brow sits a little behind the hair (further from the viewer at -z).
        addSquare(b, 0, 0, 0.2f, 2, "眉透過", root);
        b.Material(0).m_diffuse = glm::vec4(1.0f, 0.0f, 0.0f, 1.0f);
        b.Material(0).m_ambient = glm::vec3(1.0f, 0.0f, 0.0f);
        addSquare(b, 0, 0, 0.0f, 3, "hair", root);
        b.Material(1).m_diffuse = glm::vec4(0.0f, 0.0f, 1.0f, 1.0f);
        b.Material(1).m_ambient = glm::vec3(0.0f, 0.0f, 1.0f);
        unload();
        if (!load(b, "brow")) return QColor();
        return centre(frame());
    };
    const QColor hidden = centreColour(0.0f);
    EXPECT_GT(hidden.blue(), hidden.red()) << "without the setting the hair covers the brow";
    const QColor shown = centreColour(4.0f);
    EXPECT_GT(shown.red(), shown.blue()) << "the brow is pulled in front of the hair";
}

TEST_F(ModelTest, HiddenAccessoriesAreAnimatedAndUploadedButNotDrawn) {
    m_settings->renderAcc = false;
    ModelBuilder b;
    const int root = b.AddBone("センター", {0, 0, 0});
    addSquare(b, 0, 0, 0, 3, "prop", root);
    b.Material(0).m_diffuse = glm::vec4(1.0f);
    mmdr::Model* accessory = load(b, "prop");
    ASSERT_TRUE(accessory);
    m_context->m_mainModel = nullptr;
    m_context->m_accessories.push_back(accessory);
    const QImage hidden = frame();
    EXPECT_EQ(countPixels(hidden, [](const QColor& c) { return c.lightness() > 0; }), 0);
    // Uploaded all the same: the position buffer holds the skinned positions.
    const size_t count = accessory->m_mmdModel->GetVertexCount();
    const glm::vec3* skinned = accessory->m_mmdModel->GetUpdatePositions();
    EXPECT_EQ(readBuffer<glm::vec3>(accessory->m_posVBO, count), std::vector<glm::vec3>(skinned, skinned + count));

    m_settings->renderAcc = true;
    EXPECT_GT(countPixels(frame(), [](const QColor& c) { return c.lightness() > 0; }), 100);
    m_context->m_accessories.clear();
}

class IndexWidthTest : public ModelTest, public ::testing::WithParamInterface<int> {};

TEST_P(IndexWidthTest, DrawsWithTheModelsIndexType) {
    // Enough vertices to need 1-, 2- or 4-byte indices; the visible square uses the last four.
    ModelBuilder b;
    const int root = b.AddBone("センター", {0, 0, 0});
    for (int i = 0; i < GetParam() - 4; ++i) b.AddVertex({0, 0, 50}, root);
    addSquare(b, 0, 0, 0, 3, "square", root);
    mmdr::Model* model = load(b);
    ASSERT_TRUE(model);
    EXPECT_GT(centre(frame()).lightness(), 20);
}

INSTANTIATE_TEST_SUITE_P(Widths, IndexWidthTest, ::testing::Values(100, 1000, 70000));

class ShadowPassStateTest : public ModelTest, public ::testing::WithParamInterface<LeftState> {};

// Two squares one behind the other along the light, the far one drawn last: the map must hold the near one.
TEST_P(ShadowPassStateTest, MapHoldsTheNearestDepthWhateverThePreviousPassLeft) {
    m_settings->lightDir = Vector3{0.0f, 0.0f, 1.0f};
    ModelBuilder b;
    const int root = b.AddBone("センター", {0, 0, 0});
    // File frame z is negated at load: the first square drawn is the one nearer the light.
    addSquare(b, 0, 5, 4, 3, "near", root);
    addSquare(b, 0, 5, -4, 6, "far", root);
    ASSERT_TRUE(load(b));
    AppContext& context = *m_context;
    context.m_elapsed = 0.0f;
    context.UpdateAnimation();
    context.UpdateGpu();

    // The reference: every fixed-function switch as GL starts, depth test on.
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glEnable(GL_DEPTH_TEST);
    gl->glDepthFunc(GL_LESS);
    gl->glDepthMask(GL_TRUE);
    context.DrawShadowMap();
    const std::vector<float> reference = shadowDepth();

    // A stale map and a stale clear value, as any earlier frame could leave them.
    gl->glBindFramebuffer(GL_FRAMEBUFFER, context.m_shadowMap->GetFramebuffer());
    gl->glClearDepth(0.25);
    gl->glClear(GL_DEPTH_BUFFER_BIT);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    const LeftState& left = GetParam();
    if (left.depthTest) {
        gl->glEnable(GL_DEPTH_TEST);
    } else {
        gl->glDisable(GL_DEPTH_TEST);
    }
    gl->glDepthFunc(left.depthFunc);
    gl->glDepthMask(left.depthWrite ? GL_TRUE : GL_FALSE);
    if (left.cull) {
        gl->glEnable(GL_CULL_FACE);
        gl->glCullFace(GL_FRONT_AND_BACK);
    }
    context.DrawShadowMap();
    const std::vector<float> depth = shadowDepth();

    ASSERT_EQ(depth.size(), reference.size());
    size_t differing = 0;
    for (size_t i = 0; i < depth.size(); ++i) differing += std::abs(depth[i] - reference[i]) > 1e-4f;
    EXPECT_EQ(differing, 0u) << left.name;
    // Both squares reached the map, and where they overlap the near one is kept.
    const float nearest = *std::min_element(reference.begin(), reference.end());
    EXPECT_LT(nearest, 0.99f);
}

INSTANTIATE_TEST_SUITE_P(States, ShadowPassStateTest,
                         ::testing::Values(LeftState{"depth test off (after an overlay)", false, GL_LESS, true, false},
                                           LeftState{"depth test on", true, GL_LESS, true, false},
                                           LeftState{"depth writes off, greater-than", true, GL_GREATER, false, false},
                                           LeftState{"every face culled", true, GL_LEQUAL, true, true}),
                         [](const ::testing::TestParamInfo<LeftState>& info) { return std::to_string(info.index); });

// The real model from the wild, first frame of a fresh context (as mnxtool snapshot draws it): below the skirt's
// hem the thighs lie in the skirt's shadow, darker than the same pixels drawn with an empty shadow map.
TEST_F(ModelTest, SkirtShadowsTheThighsFromTheFirstFrame) {
    const std::string fixture = std::string(MNX_FIXTURES_DIR) + "/real/miku_v2/index.pmx";
    if (!QFileInfo::exists(QString::fromStdString(fixture))) GTEST_SKIP() << "no real model fixture";
    AppContext& context = *m_context;
    mmdr::Model* model = load(fixture, context.m_toonDir);
    ASSERT_NE(model, nullptr);
    mmd::MMDModel& runtime = *model->m_mmdModel;
    auto position = [&](const char* name) {
        const int32_t index = runtime.GetNodeManager()->FindNodeIndex(name);
        EXPECT_GE(index, 0) << name;
        return index < 0 ? glm::vec3(0.0f)
                         : glm::vec3(runtime.GetNodeManager()->GetNode(size_t(index))->GetGlobalTransform()[3]);
    };
    context.m_elapsed = 0.0f;
    context.UpdateAnimation();
    const glm::vec3 hip = position("左足");
    const glm::vec3 knee = position("左ひざ");
    // From the front, framed on the legs.
    const glm::vec3 centre = (hip + knee) * 0.5f;
    context.m_viewMat = glm::lookAt(centre + glm::vec3(0.0f, 0.0f, 12.0f), centre, glm::vec3(0.0f, 1.0f, 0.0f));
    context.m_projMat = glm::perspective(glm::radians(30.0f), 1.0f, 1.0f, 100.0f);

    const QImage shadowed = frame(true);
    const QImage unshadowed = frame(false);
    // The upper third of the left thigh, just below the hip joint where the hem hangs.
    const glm::mat4 viewProjection = context.m_projMat * context.m_viewMat;
    auto pixel = [&](const glm::vec3& p) {
        const glm::vec4 clip = viewProjection * glm::vec4(p, 1.0f);
        return QPoint(int((clip.x / clip.w * 0.5f + 0.5f) * kSize), int((0.5f - clip.y / clip.w * 0.5f) * kSize));
    };
    // Down the left leg from the hip joint to the knee: the bare skin between the skirt's hem and the stocking.
    const QPoint top = pixel(hip);
    const QPoint bottom = pixel(knee);
    int skinRows = 0;
    int darkening = 0;
    for (int y = top.y(); y <= bottom.y(); ++y) {
        const QColor lit = unshadowed.pixelColor(top.x(), y);
        if (lit.red() < 230 || lit.green() < 170 || lit.blue() < 140) continue;
        ++skinRows;
        for (int x = top.x() - 3; x <= top.x() + 3; ++x) {
            darkening += unshadowed.pixelColor(x, y).lightness() - shadowed.pixelColor(x, y).lightness();
        }
    }
    const std::string pictures = saveTestImage(shadowed, "thighs_shadowed").toStdString() + " " +
                                 saveTestImage(unshadowed, "thighs_unshadowed").toStdString();
    ASSERT_GE(skinRows, 10) << "the thighs are in view " << pictures;
    EXPECT_GT(darkening / (skinRows * 7), 15) << "the skirt's shadow on the thighs " << pictures;
}

// Brightness spread of the toon ramp over a lit sphere: its darkest and brightest shades.
std::pair<int, int> toonSpread(const QImage& image) {
    int low = 255, high = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c == QColor(0, 0, 0)) continue;
            low = std::min(low, c.lightness());
            high = std::max(high, c.lightness());
        }
    }
    return {low, high};
}

// The same sphere through the desktop view and through an eye view that sees it from the same place (the eye
// view's 0.1 base scale shrinks the model by ten, the eye stands ten times closer): the same toon banding.
TEST_F(ModelTest, EyeViewShadesWithTheDesktopViewsToonBanding) {
    m_settings->lightDir = Vector3{-1.0f, -1.0f, -1.0f};
    ModelBuilder b;
    const int root = b.AddBone("センター", {0, 0, 0});
    addSphere(b, 4.0f, "ball", root, 24, 32);
    b.Material(0).m_diffuse = glm::vec4(1.0f);
    b.Material(0).m_ambient = glm::vec3(0.0f);
    // The toon ramp alone carries the light: no self-shadow mix, no outline.
    b.Material(0).m_drawFlags = mmd::kPMXDrawCastSelfShadow;
    m_settings->lightColor = Vector3{0.6f, 0.6f, 0.6f};
    ASSERT_TRUE(load(b));
    AppContext& context = *m_context;
    const glm::mat4 projection = glm::perspective(glm::radians(30.0f), 1.0f, 0.1f, 100.0f);

    context.m_viewMat = glm::lookAt(glm::vec3(0, 0, 20), glm::vec3(0), glm::vec3(0, 1, 0));
    context.m_projMat = projection;
    const QImage desktop = frame();

    // An eye 2 m in front of the model's origin: eye view × base view offset puts it there.
    const glm::mat4 eyeView =
        glm::lookAt(glm::vec3(0, 0, 2), glm::vec3(0), glm::vec3(0, 1, 0)) * glm::inverse(context.m_baseViewOffset);
    context.m_elapsed = 0.0f;
    context.UpdateAnimation();
    context.UpdateGpu();
    context.DrawShadowMap();
    m_gl.bindTarget(0.0f, 0.0f, 0.0f, 1.0f);
    m_renderer->drawEyeView(eyeView, projection, kSize, kSize);
    const QImage eye = m_gl.readTarget();

    const auto [desktopLow, desktopHigh] = toonSpread(desktop);
    const auto [eyeLow, eyeHigh] = toonSpread(eye);
    ASSERT_GT(desktopHigh - desktopLow, 60) << saveTestImage(desktop, "toon_desktop").toStdString();
    EXPECT_NEAR(eyeLow, desktopLow, 8) << saveTestImage(eye, "toon_eye").toStdString();
    EXPECT_NEAR(eyeHigh, desktopHigh, 8) << saveTestImage(eye, "toon_eye").toStdString();
}

// The UV buffer is filled once and refilled only while a UV morph applies or is undone: a frame after the morph
// went back to zero must show the rest UVs again, not the last morphed ones.
TEST_F(ModelTest, UvBufferFollowsAUvMorphOnAndOff) {
    ModelBuilder b;
    const int root = b.AddBone("センター", {0, 0, 0});
    addSquare(b, 0, 5, 0, 3, "square", root);
    b.AddUVMorph("uv", {{0, glm::vec4(0.25f, 0.5f, 0.0f, 0.0f)}});
    mmdr::Model* model = load(b);
    ASSERT_NE(model, nullptr);
    mmd::MMDModel& pmx = *model->m_mmdModel;
    mmd::MMDMorph* morph = pmx.GetMorphManager()->GetMorph(size_t(pmx.GetMorphManager()->FindMorphIndex("uv")));
    ASSERT_NE(morph, nullptr);
    const size_t count = pmx.GetVertexCount();
    const std::vector<glm::vec2> rest(pmx.GetUVs(), pmx.GetUVs() + count);
    const auto uploaded = [&] { return readBuffer<glm::vec2>(model->m_uvVBO, count); };
    AppContext& context = *m_context;
    const auto step = [&](float weight) {
        morph->SetWeight(weight);
        context.UpdateAnimation();
        context.UpdateGpu();
    };
    step(0.0f);
    EXPECT_EQ(uploaded(), rest);
    step(1.0f);
    const std::vector<glm::vec2> morphed = uploaded();
    EXPECT_NEAR(morphed[0].x, rest[0].x + 0.25f, 1e-6f);
    EXPECT_NEAR(std::abs(morphed[0].y - rest[0].y), 0.5f, 1e-6f);
    step(0.0f);
    EXPECT_EQ(uploaded(), rest);
    step(0.0f);
    EXPECT_EQ(uploaded(), rest);
}

// The VR room shows the second 512 x 512 panel before anything draws into it: it must start fully transparent,
// not with whatever the driver's new memory held. Memory freed just before (a texture full of a pattern) is what
// a new allocation most likely gets back.
TEST_F(ModelTest, SecondPanelStartsTransparent) {
    QOpenGLFunctions_4_1_Core* gl = m_gl.gl();
    const std::vector<uint32_t> pattern(512 * 512, 0xA5C3E1F7u);
    for (int i = 0; i < 4; ++i) {
        GLuint texture = 0;
        gl->glGenTextures(1, &texture);
        gl->glBindTexture(GL_TEXTURE_2D, texture);
        gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 512, 512, 0, GL_RGBA, GL_UNSIGNED_BYTE, pattern.data());
        gl->glFinish();
        gl->glDeleteTextures(1, &texture);
        gl->glFinish();
    }
    m_renderer->createVRTargets(512, 512);
    const GLuint panel = m_renderer->secondPanelTexture();
    ASSERT_NE(panel, 0u);
    std::vector<uint32_t> pixels(512 * 512, 0x12345678u);
    gl->glBindTexture(GL_TEXTURE_2D, panel);
    gl->glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    const auto notClear = std::count_if(pixels.begin(), pixels.end(), [](uint32_t p) { return p != 0u; });
    EXPECT_EQ(notClear, 0);
}

}  // namespace
