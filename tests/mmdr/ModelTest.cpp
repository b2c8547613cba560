// The drawable model through the render context, as the desktop view draws it: buffers and render materials,
// the toon pass, the outline pass, the shadow pass, brows through the hair, accessories and GL object lifetime.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
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
#include "mmd/PMXModel.h"
#include "mmdr/AppContext.h"
#include "mmdr/Model.h"
#include "render/GLFunctions.h"
#include "render/GlTestContext.h"
#include "support/ModelBuilder.h"

namespace {

using mnx::test::addSphere;
using mnx::test::addSquare;
using mnx::test::ModelBuilder;

constexpr int kSize = 96;

// MMD's first shared toon: light at the top, a darker shade at the bottom where the shadow samples it.
void writeToonRamp(const QString& dir) {
    QImage ramp(32, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y) {
        const int v = y < 16 ? 255 : 120;
        for (int x = 0; x < 32; ++x) ramp.setPixelColor(x, y, QColor(v, v, v));
    }
    ramp.save(QDir(dir).filePath(QStringLiteral("toon01.bmp")), "BMP");
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_gl.create(kSize, kSize)) GTEST_SKIP() << "no OpenGL 4.1 core context";
        ASSERT_TRUE(m_dir.isValid());
        writeToonRamp(m_dir.path());
        m_settings = std::make_unique<KySettings>();
        setKySettings(m_settings.get());
        m_context = std::make_unique<AppContext>();
        ASSERT_TRUE(m_context->Setup());
        m_context->m_screenWidth = kSize;
        m_context->m_screenHeight = kSize;
        // The model's runtime frame faces +z; the camera looks at it from there.
        m_context->m_viewMat = glm::lookAt(glm::vec3(0, 0, 20), glm::vec3(0), glm::vec3(0, 1, 0));
        m_context->m_projMat = glm::perspective(glm::radians(30.0f), 1.0f, 1.0f, 100.0f);
    }
    void TearDown() override {
        m_models.clear();
        m_context.reset();
        setKySettings(nullptr);
    }

    mmdr::Model* load(const ModelBuilder& builder, const std::string& name = "model") {
        const std::string path = QDir(m_dir.path()).filePath(QString::fromStdString(name + ".pmx")).toStdString();
        EXPECT_TRUE(builder.WriteFile(path));
        auto pmx = std::make_shared<mmd::PMXModel>();
        if (!pmx->Load(path, m_dir.path().toStdString())) return nullptr;
        pmx->InitializeAnimation();
        auto model = std::make_unique<mmdr::Model>();
        model->m_mmdModel = pmx;
        if (!model->Setup(*m_context)) return nullptr;
        m_models.push_back(std::move(model));
        m_context->m_mainModel = m_models.back().get();
        return m_models.back().get();
    }

    QImage frame(float r = 0.0f, float g = 0.0f, float b = 0.0f) {
        m_context->m_elapsed = 1.0f / 30.0f;
        m_context->UpdateAnimation();
        m_context->UpdateGpu();
        m_context->DrawShadowMap();
        m_gl.bindTarget(r, g, b, 1.0f);
        glFunctions()->glEnable(GL_DEPTH_TEST);
        glFunctions()->glFrontFace(GL_CCW);
        m_context->Draw(false);
        return m_gl.readTarget();
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
    std::unique_ptr<AppContext> m_context;
    std::vector<std::unique_ptr<mmdr::Model>> m_models;
};

struct TransBrowName {
    const char* name;
    bool transBrow;
};

class TransBrowNameTest : public ::testing::TestWithParam<TransBrowName> {};

TEST_P(TransBrowNameTest, OnlyTheBrowNamesShowThroughTheHair) {
    EXPECT_EQ(mmdr::IsTransBrowMaterial(GetParam().name), GetParam().transBrow) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, TransBrowNameTest,
                         ::testing::Values(TransBrowName{"transbrow", true}, TransBrowName{"TransBrow", true},
                                           TransBrowName{"TRANSBROW", true}, TransBrowName{"眉透過", true},
                                           TransBrowName{"眉", false}, TransBrowName{"transbrows", false},
                                           TransBrowName{"trans brow", false}, TransBrowName{"", false}));

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
    m_context->m_mainModel = nullptr;
    m_models.clear();
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
        m_context->m_mainModel = nullptr;
        m_models.clear();
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
        m_context->m_mainModel = nullptr;
        m_models.clear();
        if (!load(b, "brow")) return QColor();
        return centre(frame());
    };
    const QColor hidden = centreColour(0.0f);
    EXPECT_GT(hidden.blue(), hidden.red()) << "without the setting the hair covers the brow";
    const QColor shown = centreColour(4.0f);
    EXPECT_GT(shown.red(), shown.blue()) << "the brow is pulled in front of the hair";
}

TEST_F(ModelTest, MissingTextureDrawsWithTheDummyAndIsReportedPerRequest) {
    ModelBuilder b;
    const int root = b.AddBone("センター", {0, 0, 0});
    const int texture = b.AddTexture("missing/none.png");
    const int first = b.AddVertex({-3, -3, 0}, root);
    b.AddVertex({3, -3, 0}, root);
    b.AddVertex({3, 3, 0}, root);
    b.AddTriangle(uint32_t(first), uint32_t(first + 2), uint32_t(first + 1));
    b.AddMaterial("a", texture);
    const int second = b.AddVertex({-3, -3, 0}, root);
    b.AddVertex({3, 3, 0}, root);
    b.AddVertex({-3, 3, 0}, root);
    b.AddTriangle(uint32_t(second), uint32_t(second + 2), uint32_t(second + 1));
    b.AddMaterial("b", texture);
    LogCapture log;
    mmdr::Model* model = load(b);
    ASSERT_TRUE(model);
    // Two materials ask for the same missing file: two requests, two reports, nothing cached.
    EXPECT_EQ(log.lines().filter(QStringLiteral("none.png")).size(), 2) << log.lines().join('\n').toStdString();
    EXPECT_EQ(model->m_materials[0].m_texture, 0u);
    EXPECT_EQ(m_context->m_textures.Size(), 1u) << "only the toon ramp";
    EXPECT_GE(log.count("MaterialCount 2 2"), 1);
    EXPECT_GT(centre(frame()).lightness(), 20);
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
    std::vector<glm::vec3> uploaded(count);
    glFunctions()->glBindBuffer(GL_ARRAY_BUFFER, accessory->m_posVBO);
    glFunctions()->glGetBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(count * sizeof(glm::vec3)), uploaded.data());
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(uploaded[i], accessory->m_mmdModel->GetUpdatePositions()[i]);

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
    const size_t size = model->m_mmdModel->GetIndexElementSize();
    const GLenum expected = size == 1 ? GL_UNSIGNED_BYTE : size == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
    EXPECT_EQ(model->m_indexType, expected);
    EXPECT_GT(centre(frame()).lightness(), 20);
}

INSTANTIATE_TEST_SUITE_P(Widths, IndexWidthTest, ::testing::Values(100, 1000, 70000));

TEST_F(ModelTest, RepeatedCreateAndDestroyLeavesNoGlObjects) {
    ModelBuilder b;
    const int root = b.AddBone("センター", {0, 0, 0});
    addSquare(b, 0, 0, 0, 3, "square", root);
    std::vector<GLuint> buffers;
    std::vector<GLuint> arrays;
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    for (int cycle = 0; cycle < 100; ++cycle) {
        mmdr::Model* model = load(b);
        ASSERT_TRUE(model);
        buffers.insert(buffers.end(),
                       {model->m_posVBO, model->m_norVBO, model->m_uvVBO, model->m_edgeVBO, model->m_ibo});
        arrays.insert(arrays.end(),
                      {model->m_mmdVAO, model->m_mmdEdgeVAO, model->m_shadowVAO, model->m_mmdGroundShadowVAO});
        frame();
        m_context->m_mainModel = nullptr;
        m_models.clear();
    }
    for (GLuint id : buffers) EXPECT_FALSE(gl->glIsBuffer(id)) << id;
    for (GLuint id : arrays) EXPECT_FALSE(gl->glIsVertexArray(id)) << id;
}

}  // namespace
