// The compiled-in resources: every fixed path resolves, images and icons decode, meshes parse the way the system
// mesh reader reads them, and the generated images are the generator's current output.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QResource>
#include <QSvgRenderer>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "QtAssets.h"
#include "render/ObjReader.h"

// Q_INIT_RESOURCE declares its function at the enclosing scope, so it must run outside any namespace.
static void initGeneratedAssets() { Q_INIT_RESOURCE(marionix_assets); }

namespace {

const char* const kMeshes[] = {"mainroom.obj", "square_screen.obj", "msg_screen.obj", "cube.obj",
                               "lh_basestation_vive.obj"};
const char* const kImages[] = {"mainroom.png", "tracker.png",    "lh_basestation_vive.png", "green.png",
                               "orange.png",   "green_line.png", "perple_line.png"};
const char* const kIcons[] = {"home.svg", "settings.svg", "webcam.svg",     "headset_vr.svg",
                              "info.svg", "power.svg",    "check_bold.svg", "chevron_right.svg"};

QString meshPath(const char* file) { return QStringLiteral(":/system_mesh/resources/system_mesh/") + file; }
QString imagePath(const char* file) { return QStringLiteral(":/img/resources/img/") + file; }
QString iconPath(const char* file) { return QStringLiteral(":/icon/resources/icon/") + file; }

class AssetsEnvironment : public ::testing::Environment {
public:
    void SetUp() override { initGeneratedAssets(); }
};
[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new AssetsEnvironment);

QByteArray readResource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

std::string paramName(const ::testing::TestParamInfo<const char*>& info) {
    std::string name = info.param;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

// ---- every fixed path ----

class ResourcePathTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ResourcePathTest, Exists) {
    EXPECT_TRUE(QFile::exists(QString::fromUtf8(GetParam()))) << GetParam();
    EXPECT_FALSE(readResource(QString::fromUtf8(GetParam())).isEmpty()) << GetParam();
}

std::vector<const char*> allPaths() {
    static std::vector<std::string> storage;
    if (storage.empty()) {
        for (const char* m : kMeshes) storage.push_back(meshPath(m).toStdString());
        for (const char* i : kImages) storage.push_back(imagePath(i).toStdString());
        for (const char* s : kIcons) storage.push_back(iconPath(s).toStdString());
        storage.push_back(":/Marionix/Marionix.ico");
        storage.push_back(":/Marionix/resources/LICENCE");
    }
    std::vector<const char*> paths;
    for (const std::string& s : storage) paths.push_back(s.c_str());
    return paths;
}

INSTANTIATE_TEST_SUITE_P(All, ResourcePathTest, ::testing::ValuesIn(allPaths()), paramName);

// ---- generated images ----

class ImageTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ImageTest, DecodesWithPowerOfTwoSize) {
    const QImage image(imagePath(GetParam()));
    ASSERT_FALSE(image.isNull()) << GetParam();
    for (int side : {image.width(), image.height()}) {
        EXPECT_GE(side, 8);
        EXPECT_LE(side, 2048);
        EXPECT_EQ(side & (side - 1), 0) << "mipmapped textures want power-of-two sides";
    }
}

TEST_P(ImageTest, MatchesTheGeneratorOutput) {
    const auto images = mnxc::QtAssetImages();
    const auto it = images.find(GetParam());
    ASSERT_NE(it, images.end());
    const std::string fresh = it->second.EncodePng();
    const QByteArray compiled = readResource(imagePath(GetParam()));
    EXPECT_EQ(std::string(compiled.constData(), static_cast<size_t>(compiled.size())), fresh);
    EXPECT_EQ(fresh, mnxc::QtAssetImages().at(GetParam()).EncodePng()) << "generation must be deterministic";
}

INSTANTIATE_TEST_SUITE_P(All, ImageTest, ::testing::ValuesIn(kImages), paramName);

TEST(ImageContentTest, MarkerColoursAreSolidAndDistinct) {
    const QImage green(imagePath("green.png"));
    const QImage orange(imagePath("orange.png"));
    ASSERT_FALSE(green.isNull());
    ASSERT_FALSE(orange.isNull());
    EXPECT_EQ(green.pixel(0, 0), green.pixel(green.width() - 1, green.height() - 1));
    EXPECT_GT(qGreen(green.pixel(0, 0)), qRed(green.pixel(0, 0)));
    EXPECT_GT(qRed(orange.pixel(0, 0)), qBlue(orange.pixel(0, 0)));
}

TEST(ImageContentTest, LineTexturesHaveBrightBorders) {
    for (const char* name : {"green_line.png", "perple_line.png"}) {
        const QImage image(imagePath(name));
        ASSERT_FALSE(image.isNull()) << name;
        const QColor border = image.pixelColor(0, image.height() / 2 + 3);
        const QColor inside = image.pixelColor(image.width() / 2 + 5, image.height() / 2 + 5);
        EXPECT_GT(border.lightness(), inside.lightness() + 60) << name;
    }
}

// ---- window icon ----

TEST(AppIconTest, DirectoryHoldsFourPngEntries) {
    const QByteArray ico = readResource(QStringLiteral(":/Marionix/Marionix.ico"));
    ASSERT_GE(ico.size(), 6);
    const auto* bytes = reinterpret_cast<const uchar*>(ico.constData());
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes), 0);
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes + 2), 1);
    const int count = qFromLittleEndian<quint16>(bytes + 4);
    ASSERT_EQ(count, 4);
    ASSERT_GE(ico.size(), 6 + 16 * count);
    const int sizes[] = {16, 32, 48, 256};
    for (int i = 0; i < count; ++i) {
        const uchar* entry = bytes + 6 + 16 * i;
        EXPECT_EQ(entry[0] == 0 ? 256 : entry[0], sizes[i]);
        EXPECT_EQ(entry[1] == 0 ? 256 : entry[1], sizes[i]);
        EXPECT_EQ(qFromLittleEndian<quint16>(entry + 6), 32);
        const quint32 length = qFromLittleEndian<quint32>(entry + 8);
        const quint32 offset = qFromLittleEndian<quint32>(entry + 12);
        ASSERT_LE(static_cast<qint64>(offset) + length, ico.size());
        const QImage image = QImage::fromData(ico.mid(static_cast<int>(offset), static_cast<int>(length)), "PNG");
        ASSERT_FALSE(image.isNull()) << "entry " << i;
        EXPECT_EQ(image.size(), QSize(sizes[i], sizes[i]));
        // A round icon: opaque in the middle, transparent in the corners.
        EXPECT_EQ(qAlpha(image.pixel(sizes[i] / 2, sizes[i] / 2)), 255);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    }
}

TEST(AppIconTest, QtDecodesEverySize) {
    QImageReader reader(QStringLiteral(":/Marionix/Marionix.ico"));
    ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
    ASSERT_EQ(reader.imageCount(), 4);
    std::vector<int> widths;
    for (int i = 0; i < reader.imageCount(); ++i) {
        ASSERT_TRUE(reader.jumpToImage(i));
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        widths.push_back(image.width());
    }
    std::sort(widths.begin(), widths.end());
    EXPECT_EQ(widths, (std::vector<int>{16, 32, 48, 256}));
}

// ---- side-bar icons ----

class SvgIconTest : public ::testing::TestWithParam<const char*> {};

TEST_P(SvgIconTest, RendersAsOneColourForTinting) {
    QSvgRenderer renderer(iconPath(GetParam()));
    ASSERT_TRUE(renderer.isValid()) << GetParam();
    EXPECT_EQ(renderer.defaultSize(), QSize(24, 24));
    QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        renderer.render(&painter);
    }
    int covered = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) == 0) continue;
            ++covered;
            EXPECT_EQ(qRed(p) | qGreen(p) | qBlue(p), 0) << GetParam() << " is not pure black at " << x << "," << y;
        }
    }
    EXPECT_GT(covered, 48 * 48 / 20) << GetParam();
    EXPECT_LT(covered, 48 * 48 * 9 / 10) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(All, SvgIconTest, ::testing::ValuesIn(kIcons), paramName);

// ---- meshes, read like the system mesh reader: single-space split, 1-based position/uv indices ----

struct ObjData {
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 2>> uvs;  // as written in the file (v up)
    std::vector<std::vector<std::pair<int, int>>> faces;
    std::vector<std::string> errors;
};

ObjData parseObj(const QByteArray& text) {
    ObjData obj;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        bool ok = true;
        if (parts[0] == "v") {
            if (parts.size() != 4) obj.errors.push_back("v needs three numbers: " + line.toStdString());
            std::array<float, 3> p{};
            for (int i = 0; i < 3 && i + 1 < parts.size() && ok; ++i) p[i] = parts[i + 1].toFloat(&ok);
            obj.positions.push_back(p);
        } else if (parts[0] == "vt") {
            if (parts.size() != 3) obj.errors.push_back("vt needs two numbers: " + line.toStdString());
            std::array<float, 2> t{};
            for (int i = 0; i < 2 && i + 1 < parts.size() && ok; ++i) t[i] = parts[i + 1].toFloat(&ok);
            obj.uvs.push_back(t);
        } else if (parts[0] == "f") {
            if (parts.size() != 4 && parts.size() != 5)
                obj.errors.push_back("f needs 3 or 4 corners: " + line.toStdString());
            std::vector<std::pair<int, int>> face;
            for (int i = 1; i < parts.size() && ok; ++i) {
                const QList<QByteArray> ids = parts[i].split('/');
                if (ids.size() != 2) {
                    ok = false;
                    break;
                }
                bool okP = false, okT = false;
                face.emplace_back(ids[0].toInt(&okP), ids[1].toInt(&okT));
                ok = okP && okT;
            }
            obj.faces.push_back(face);
        } else if (!line.isEmpty() && !line.startsWith('#')) {
            obj.errors.push_back("unexpected line: " + line.toStdString());
        }
        if (!ok) obj.errors.push_back("bad number in: " + line.toStdString());
    }
    return obj;
}

struct Bounds {
    std::array<float, 3> min{
        {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), std::numeric_limits<float>::max()}};
    std::array<float, 3> max{{std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest(),
                              std::numeric_limits<float>::lowest()}};
};

Bounds boundsOf(const ObjData& obj) {
    Bounds b;
    for (const auto& p : obj.positions) {
        for (int i = 0; i < 3; ++i) {
            b.min[i] = std::min(b.min[i], p[i]);
            b.max[i] = std::max(b.max[i], p[i]);
        }
    }
    return b;
}

ObjData loadMesh(const char* file) { return parseObj(readResource(meshPath(file))); }

class MeshTest : public ::testing::TestWithParam<const char*> {};

TEST_P(MeshTest, ParsesWithEveryIndexInRange) {
    const ObjData obj = loadMesh(GetParam());
    for (const std::string& e : obj.errors) ADD_FAILURE() << GetParam() << ": " << e;
    ASSERT_FALSE(obj.faces.empty());
    for (const auto& face : obj.faces) {
        for (const auto& [p, t] : face) {
            EXPECT_GE(p, 1);
            EXPECT_LE(p, static_cast<int>(obj.positions.size()));
            EXPECT_GE(t, 1);
            EXPECT_LE(t, static_cast<int>(obj.uvs.size()));
        }
    }
    for (const auto& t : obj.uvs) {
        EXPECT_GE(t[0], 0.0f);
        EXPECT_LE(t[0], 1.0f);
        EXPECT_GE(t[1], 0.0f);
        EXPECT_LE(t[1], 1.0f);
    }
}

TEST_P(MeshTest, SystemMeshReaderKeepsEveryTriangle) {
    const ObjData obj = loadMesh(GetParam());
    size_t vertices = 0;
    for (const auto& face : obj.faces) vertices += face.size() == 4 ? 6 : 3;
    const std::vector<float> floats = ObjReader::read(meshPath(GetParam()), 0.1f);
    EXPECT_EQ(floats.size(), vertices * ObjReader::kFloatsPerVertex);
}

TEST_P(MeshTest, CompressedInTheBundleExceptTheCube) {
    const QResource resource(meshPath(GetParam()));
    ASSERT_TRUE(resource.isValid());
    const auto expected = std::string(GetParam()) == "cube.obj" ? QResource::NoCompression : QResource::ZlibCompression;
    EXPECT_EQ(resource.compressionAlgorithm(), expected);
}

INSTANTIATE_TEST_SUITE_P(All, MeshTest, ::testing::ValuesIn(kMeshes), paramName);

TEST(MeshShapeTest, CubeSpansFiftyOnEveryAxis) {
    const ObjData obj = loadMesh("cube.obj");
    const Bounds b = boundsOf(obj);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(b.min[i], -50.0f);
        EXPECT_EQ(b.max[i], 50.0f);
    }
    EXPECT_EQ(obj.faces.size(), 6u);
}

// The screens show framebuffer textures (origin bottom-left); the reader stores v as 1 - v, so the top edge of a
// screen carries v = 0 in the file. The quads face +Z, which the placement rotations turn towards the viewer.
struct ScreenCase {
    const char* file;
    float aspect;  // width / height of the surface it shows
};

class ScreenTest : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(ScreenTest, CentredUprightQuadFacingPlusZ) {
    const ObjData obj = loadMesh(GetParam().file);
    ASSERT_EQ(obj.faces.size(), 1u);
    ASSERT_EQ(obj.faces[0].size(), 4u);
    const Bounds b = boundsOf(obj);
    EXPECT_EQ(b.min[2], 0.0f);
    EXPECT_EQ(b.max[2], 0.0f);
    EXPECT_FLOAT_EQ(b.min[0], -b.max[0]);
    EXPECT_FLOAT_EQ(b.min[1], -b.max[1]);
    EXPECT_FLOAT_EQ((b.max[0] - b.min[0]) / (b.max[1] - b.min[1]), GetParam().aspect);
    for (const auto& [p, t] : obj.faces[0]) {
        const auto& pos = obj.positions[static_cast<size_t>(p - 1)];
        const auto& uv = obj.uvs[static_cast<size_t>(t - 1)];
        EXPECT_EQ(uv[0], pos[0] > 0.0f ? 1.0f : 0.0f);
        EXPECT_EQ(uv[1], pos[1] > 0.0f ? 0.0f : 1.0f);
    }
    // Counter-clockwise seen from +Z.
    const auto& a = obj.positions[static_cast<size_t>(obj.faces[0][0].first - 1)];
    const auto& c1 = obj.positions[static_cast<size_t>(obj.faces[0][1].first - 1)];
    const auto& c2 = obj.positions[static_cast<size_t>(obj.faces[0][2].first - 1)];
    const float nz = (c1[0] - a[0]) * (c2[1] - a[1]) - (c1[1] - a[1]) * (c2[0] - a[0]);
    EXPECT_GT(nz, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(All, ScreenTest,
                         ::testing::Values(ScreenCase{"square_screen.obj", 1.0f}, ScreenCase{"msg_screen.obj", 4.0f}),
                         [](const ::testing::TestParamInfo<ScreenCase>& info) {
                             return paramName(::testing::TestParamInfo<const char*>(info.param.file, info.index));
                         });

TEST(MeshShapeTest, RoomEnclosesTheScreensWithTheFloorAtZero) {
    // Loaded at scale 0.1: decimetres in the file, metres in the room. The farthest screen stands 6 m out.
    const Bounds b = boundsOf(loadMesh("mainroom.obj"));
    EXPECT_EQ(b.min[1], 0.0f);
    EXPECT_GE(b.max[1] * 0.1f, 3.0f);
    for (int axis : {0, 2}) {
        EXPECT_LE(b.min[axis] * 0.1f, -7.0f);
        EXPECT_GE(b.max[axis] * 0.1f, 7.0f);
    }
}

TEST(MeshShapeTest, BaseStationIsHandSizedInMetres) {
    const Bounds b = boundsOf(loadMesh("lh_basestation_vive.obj"));
    for (int i = 0; i < 3; ++i) {
        const float extent = b.max[i] - b.min[i];
        EXPECT_GT(extent, 0.03f);
        EXPECT_LT(extent, 0.2f);
    }
}

// ---- licence notices ----

class LicenceTest : public ::testing::TestWithParam<const char*> {};

TEST_P(LicenceTest, NamesTheNotice) {
    const QString text = QString::fromUtf8(readResource(QStringLiteral(":/Marionix/resources/LICENCE")));
    EXPECT_TRUE(text.contains(QString::fromUtf8(GetParam()))) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(All, LicenceTest,
                         ::testing::Values("Qt 5", "LGPLv3", "Bullet", "zlib", "spdlog", "glm", "stb_image",
                                           "public domain", "MIT", "Copyright (c) 2026 Marionix contributors"),
                         paramName);

}  // namespace
