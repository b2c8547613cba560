#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "tools/mnxtool/Commands.h"
#include "tools/mnxtool/JsonWriter.h"
#include "tools/mnxtool/OffscreenScene.h"

namespace mnxtool {

namespace {

struct SnapshotOptions {
    QString m_model;
    QString m_out;
    QString m_motion;
    QString m_pose;
    double m_time = 0.0;
    bool m_physics = true;
    int m_width = 640;
    int m_height = 360;
    OffscreenScene::Camera m_camera = OffscreenScene::Camera::Front;
    QColor m_background{232, 228, 228};
};

bool ParseSize(const std::string& text, int& width, int& height) {
    char* end = nullptr;
    const long w = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != 'x') return false;
    const char* rest = end + 1;
    const long h = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0' || w < 16 || h < 16 || w > 8192 || h > 8192) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool ParseOptions(const std::vector<std::string>& args, SnapshotOptions& options) {
    if (args.empty()) return false;
    options.m_model = QString::fromStdString(args[0]);
    for (size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return false;
        const std::string& name = args[i];
        const std::string& value = args[i + 1];
        if (name == "--out") {
            options.m_out = QString::fromStdString(value);
        } else if (name == "--motion") {
            options.m_motion = QString::fromStdString(value);
        } else if (name == "--pose") {
            options.m_pose = QString::fromStdString(value);
        } else if (name == "--time") {
            char* end = nullptr;
            options.m_time = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(options.m_time >= 0.0) || options.m_time > 1e6) return false;
        } else if (name == "--physics") {
            if (value != "on" && value != "off") return false;
            options.m_physics = value == "on";
        } else if (name == "--size") {
            if (!ParseSize(value, options.m_width, options.m_height)) return false;
        } else if (name == "--camera") {
            if (value == "front") {
                options.m_camera = OffscreenScene::Camera::Front;
            } else if (value == "left") {
                options.m_camera = OffscreenScene::Camera::Left;
            } else if (value == "back") {
                options.m_camera = OffscreenScene::Camera::Back;
            } else {
                return false;
            }
        } else if (name == "--bg") {
            options.m_background = QColor(QStringLiteral("#") + QString::fromStdString(value));
            if (value.size() != 6 || !options.m_background.isValid()) return false;
        } else {
            return false;
        }
    }
    // A motion time without a motion, or a motion and a pose together, is a mistake worth telling.
    return !options.m_out.isEmpty() && (options.m_motion.isEmpty() || options.m_pose.isEmpty());
}

int Fail(const QString& message) {
    std::fprintf(stderr, "mnxtool snapshot: %s\n", message.toLocal8Bit().constData());
    return 1;
}

}  // namespace

int RunSnapshot(int argc, char** argv, const std::vector<std::string>& args) {
    SnapshotOptions options;
    if (!ParseOptions(args, options)) return 2;
    QGuiApplication app(argc, argv);
    OffscreenScene scene;
    QString error;
    if (!scene.createContext(options.m_width, options.m_height, &error)) return Fail(error);
    if (!scene.loadModel(options.m_model, options.m_motion, options.m_time, options.m_pose, &error)) {
        return Fail(error);
    }
    scene.setPhysics(options.m_physics);
    if (options.m_physics) scene.settle(90);
    const auto start = std::chrono::steady_clock::now();
    scene.renderFrame(options.m_camera, options.m_background);
    const double frameMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const QImage image = scene.image();
    if (!image.save(options.m_out, "PNG")) return Fail(QStringLiteral("cannot write %1").arg(options.m_out));

    const QRgb background = options.m_background.rgb();
    size_t covered = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) covered += (row[x] & 0xFFFFFFu) != (background & 0xFFFFFFu);
    }
    JsonWriter json;
    json.Add("out", options.m_out.toStdString());
    json.Add("width", image.width());
    json.Add("height", image.height());
    json.Add("covered", static_cast<double>(covered) / static_cast<double>(image.width() * image.height()));
    json.Add("frame_ms", frameMs);
    std::printf("%s\n", json.Finish().c_str());
    return 0;
}

}  // namespace mnxtool
