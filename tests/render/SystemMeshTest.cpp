#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

#include "app/base/Matrix4.h"
#include "render/GLFunctions.h"
#include "render/GlTestContext.h"
#include "render/SystemMesh.h"
#include "render/TzOpenGLShaderProgram.h"

namespace {

constexpr int kSize = 64;
const QColor kClear(0, 0, 0, 255);
const QColor kRed(255, 0, 0, 255);
const QColor kGreen(0, 255, 0, 255);

Matrix4 scaling(float x, float y, float z) {
    Matrix4 m;
    m.at(0, 0) = x;
    m.at(1, 1) = y;
    m.at(2, 2) = z;
    return m;
}

// Rotation by `degrees` about +Z (counter-clockwise seen from +Z).
Matrix4 rotationZ(float degrees) {
    const float r = degrees * 3.14159265f / 180.0f;
    Matrix4 m;
    m.at(0, 0) = std::cos(r);
    m.at(0, 1) = -std::sin(r);
    m.at(1, 0) = std::sin(r);
    m.at(1, 1) = std::cos(r);
    return m;
}

class SystemMeshTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_context.create(kSize, kSize)) {
            GTEST_SKIP() << "no OpenGL 4.1 core context";
        }
        m_program = std::make_unique<TzOpenGLShaderProgram>();
        ASSERT_TRUE(m_program->addVertexShaderFile(":/glsl/resources/glsl/sysmesh_vert.glsl"));
        ASSERT_TRUE(m_program->addFragmentShaderFile(":/glsl/resources/glsl/sysmesh_frag.glsl"));
        m_program->bindAttributeLocation("vertex", 0);
        m_program->bindAttributeLocation("texcoord", 1);
        ASSERT_TRUE(m_program->link());
        SystemMesh::setProgram(m_program.get());
        ASSERT_TRUE(m_dir.isValid());
        // Top half red, bottom half green, as a person sees the image; large enough that the filtered samples
        // tested below stay clear of the edges and of the middle.
        QImage image(16, 16, QImage::Format_RGBA8888);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                image.setPixelColor(x, y, y < 8 ? kRed : kGreen);
            }
        }
        m_imagePath = m_dir.filePath("red_over_green.png");
        ASSERT_TRUE(image.save(m_imagePath));
        m_context.bindTarget();
    }

    void TearDown() override {
        m_mesh.reset();
        SystemMesh::setProgram(nullptr);
        m_program.reset();
    }

    // The test quad (OBJ positions +-1, the image's top at +Y) at load scale 1, textured red over green.
    SystemMesh& quad(const QString& objPath = QStringLiteral(":/test_mesh/quad.obj")) {
        m_mesh = std::make_unique<SystemMesh>();
        m_mesh->setName(QStringLiteral("quad"));
        m_mesh->setObjPath(objPath);
        m_mesh->setImagePath(m_imagePath);
        m_mesh->setScale(1.0f);
        m_mesh->initialize();
        return *m_mesh;
    }

    // Pixel at normalised device coordinates (x, y), snapped to one of the test colours when it is within the
    // rounding of linear filtering.
    QColor at(const QImage& image, float x, float y) {
        const int px = static_cast<int>((x + 1.0f) * 0.5f * kSize);
        const int py = static_cast<int>((1.0f - y) * 0.5f * kSize);
        const QColor c = image.pixelColor(std::min(px, kSize - 1), std::min(py, kSize - 1));
        for (const QColor& known : {kRed, kGreen, kClear, QColor(0, 0, 255, 255)}) {
            if (std::abs(c.red() - known.red()) <= 2 && std::abs(c.green() - known.green()) <= 2 &&
                std::abs(c.blue() - known.blue()) <= 2 && c.alpha() == known.alpha()) {
                return known;
            }
        }
        return c;
    }

    GlTestContext m_context;
    std::unique_ptr<TzOpenGLShaderProgram> m_program;
    std::unique_ptr<SystemMesh> m_mesh;
    QTemporaryDir m_dir;
    QString m_imagePath;
};

TEST_F(SystemMeshTest, QuadFacesBecomeTwoTrianglesAndAreLogged) {
    LogCapture log;
    SystemMesh& mesh = quad();
    EXPECT_EQ(mesh.vertexCount(), 6);
    EXPECT_TRUE(mesh.hasTexture());
    EXPECT_TRUE(log.lines().contains(QStringLiteral("SystemMesh::initialize(void) quad 30 20")))
        << log.lines().join('\n').toStdString();
}

TEST_F(SystemMeshTest, MissingResourceGivesAnEmptyMeshThatDrawsNothing) {
    LogCapture log;
    SystemMesh& mesh = quad(QStringLiteral(":/test_mesh/no_such_mesh.obj"));
    EXPECT_EQ(mesh.vertexCount(), 0);
    EXPECT_TRUE(log.lines().contains(QStringLiteral("SystemMesh::initialize(void) quad 0 20")));
    mesh.draw(Matrix4{});
    const QImage image = m_context.readTarget();
    EXPECT_EQ(at(image, 0.0f, 0.0f), kClear);
    EXPECT_EQ(glFunctions()->glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SystemMeshTest, TextureShowsUprightOverTheWholeQuad) {
    quad().draw(Matrix4{});
    const QImage image = m_context.readTarget();
    EXPECT_EQ(at(image, -0.9f, 0.9f), kRed);
    EXPECT_EQ(at(image, 0.9f, 0.6f), kRed);
    EXPECT_EQ(at(image, -0.9f, -0.9f), kGreen);
    EXPECT_EQ(at(image, 0.9f, -0.6f), kGreen);
    if (HasFailure()) {
        saveTestImage(image, "SystemMeshUpright");
    }
}

TEST_F(SystemMeshTest, LoadScaleMultipliesPositions) {
    m_mesh = std::make_unique<SystemMesh>();
    m_mesh->setObjPath(QStringLiteral(":/test_mesh/quad.obj"));
    m_mesh->setImagePath(m_imagePath);
    EXPECT_FLOAT_EQ(m_mesh->scale(), 0.1f);
    m_mesh->setScale(0.5f);
    m_mesh->initialize();
    m_mesh->draw(Matrix4{});
    const QImage image = m_context.readTarget();
    EXPECT_EQ(at(image, -0.4f, 0.4f), kRed);
    EXPECT_EQ(at(image, -0.6f, 0.6f), kClear);
}

// Scale, then rotation, then translation, then the view-projection: half size, turned a quarter so that the
// red top faces left, moved right by 0.5, then squeezed vertically by the view-projection.
TEST_F(SystemMeshTest, PlacementAppliesScaleRotationTranslationThenViewProjection) {
    SystemMesh& mesh = quad();
    mesh.setScaleMatrix(scaling(0.5f, 0.5f, 1.0f));
    mesh.setRotationMatrix(rotationZ(90.0f));
    mesh.setPosition(0.5f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(mesh.translationMatrix().m[12], 0.5f);
    mesh.draw(scaling(1.0f, 0.5f, 1.0f));
    const QImage image = m_context.readTarget();
    EXPECT_EQ(at(image, 0.1f, 0.0f), kRed);
    EXPECT_EQ(at(image, 0.9f, 0.0f), kGreen);
    EXPECT_EQ(at(image, -0.1f, 0.0f), kClear);
    EXPECT_EQ(at(image, 0.5f, 0.35f), kClear);
    EXPECT_EQ(at(image, 0.75f, 0.2f), kGreen);
    if (HasFailure()) {
        saveTestImage(image, "SystemMeshPlacement");
    }
}

TEST_F(SystemMeshTest, ExternalTextureReplacesTheOwnOne) {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    const unsigned char blue[] = {0, 0, 255, 255};
    GLuint texture = 0;
    gl->glGenTextures(1, &texture);
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, blue);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    SystemMesh& mesh = quad();
    mesh.setExternalTexture(texture);
    mesh.draw(Matrix4{});
    EXPECT_EQ(at(m_context.readTarget(), 0.5f, 0.5f), QColor(0, 0, 255, 255));
    mesh.setExternalTexture(0);
    mesh.draw(Matrix4{});
    EXPECT_EQ(at(m_context.readTarget(), 0.5f, 0.5f), kRed);
    gl->glDeleteTextures(1, &texture);
}

// Mirrored, the quad winds clockwise; it still draws, since the mesh turns culling off, and it blends with its
// own factors.
TEST_F(SystemMeshTest, DrawsBothWindingsWithItsBlendFactors) {
    m_context.bindTarget(0.0f, 0.0f, 0.5f, 1.0f);
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glEnable(GL_CULL_FACE);
    gl->glCullFace(GL_BACK);
    SystemMesh& mesh = quad();
    mesh.setBlendFunc(GL_ONE, GL_ONE);
    mesh.setScaleMatrix(scaling(-1.0f, 1.0f, 1.0f));
    mesh.draw(Matrix4{});
    const QColor sum = at(m_context.readTarget(), 0.5f, 0.5f);
    EXPECT_EQ(sum.red(), 255);
    EXPECT_EQ(sum.green(), 0);
    EXPECT_NEAR(sum.blue(), 128, 1);
    EXPECT_EQ(gl->glIsEnabled(GL_CULL_FACE), GL_FALSE);
}

TEST_F(SystemMeshTest, NothingIsDrawnWithoutTheProgram) {
    SystemMesh& mesh = quad();
    SystemMesh::setProgram(nullptr);
    mesh.draw(Matrix4{});
    EXPECT_EQ(at(m_context.readTarget(), 0.0f, 0.0f), kClear);
}

TEST_F(SystemMeshTest, UntexturedMeshDrawsHarmlessly) {
    m_mesh = std::make_unique<SystemMesh>();
    m_mesh->setObjPath(QStringLiteral(":/test_mesh/quad.obj"));
    m_mesh->setImagePath(m_dir.filePath("missing.png"));
    m_mesh->initialize();
    EXPECT_FALSE(m_mesh->hasTexture());
    EXPECT_EQ(m_mesh->vertexCount(), 6);
    m_mesh->draw(Matrix4{});
    EXPECT_EQ(glFunctions()->glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SystemMeshTest, ReleaseTwiceThenDrawIsHarmless) {
    SystemMesh& mesh = quad();
    mesh.release();
    mesh.release();
    EXPECT_EQ(mesh.vertexCount(), 0);
    EXPECT_FALSE(mesh.hasTexture());
    mesh.draw(Matrix4{});
    EXPECT_EQ(at(m_context.readTarget(), 0.0f, 0.0f), kClear);
    EXPECT_EQ(glFunctions()->glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
