#include "render/ObjReader.h"

#include <QFile>
#include <QList>
#include <array>
#include <cmath>

namespace {

struct Corner {
    int position = 0;
    int texcoord = 0;
};

// Reads `count` finite numbers from parts[1..count], each multiplied by `factor`; false if any is missing.
template <size_t N>
bool readFloats(const QList<QByteArray>& parts, float factor, std::array<float, N>& out) {
    if (parts.size() < static_cast<int>(N) + 1) {
        return false;
    }
    for (size_t i = 0; i < N; ++i) {
        bool ok = false;
        const float value = parts[static_cast<int>(i) + 1].toFloat(&ok) * factor;
        if (!ok || !std::isfinite(value)) {
            return false;
        }
        out[i] = value;
    }
    return true;
}

// A corner is "p/t" (a trailing "/n" normal reference is tolerated and ignored); both indices 1-based and in
// range of what has been read so far. Returns 0-based indices.
bool readCorner(const QByteArray& text, int positions, int texcoords, Corner& out) {
    const QList<QByteArray> fields = text.split('/');
    if (fields.size() < 2) {
        return false;
    }
    bool okPosition = false;
    bool okTexcoord = false;
    const int position = fields[0].toInt(&okPosition, 10);
    const int texcoord = fields[1].toInt(&okTexcoord, 10);
    if (!okPosition || !okTexcoord || position < 1 || position > positions || texcoord < 1 || texcoord > texcoords) {
        return false;
    }
    out.position = position - 1;
    out.texcoord = texcoord - 1;
    return true;
}

}  // namespace

std::vector<float> ObjReader::parse(const QByteArray& text, float scale) {
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 2>> texcoords;
    std::vector<float> vertices;

    const auto emitTriangle = [&](const QList<QByteArray>& parts, int a, int b, int c) {
        std::array<Corner, 3> corners;
        const std::array<int, 3> partIndex{a, b, c};
        for (size_t i = 0; i < 3; ++i) {
            if (!readCorner(parts[partIndex[i]], static_cast<int>(positions.size()), static_cast<int>(texcoords.size()),
                            corners[i])) {
                return;
            }
        }
        for (const Corner& corner : corners) {
            const auto& p = positions[static_cast<size_t>(corner.position)];
            const auto& t = texcoords[static_cast<size_t>(corner.texcoord)];
            vertices.insert(vertices.end(), {p[0], p[1], p[2], t[0], t[1]});
        }
    };

    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        // Single-space separation with empty parts kept: a face counts as a quad only with exactly five parts.
        const QList<QByteArray> parts = line.split(' ');
        const QByteArray& keyword = parts[0];
        if (keyword == "v") {
            std::array<float, 3> p{};
            if (readFloats(parts, scale, p)) {
                positions.push_back(p);
            }
        } else if (keyword == "vt") {
            std::array<float, 2> t{};
            if (readFloats(parts, 1.0f, t)) {
                t[1] = 1.0f - t[1];
                texcoords.push_back(t);
            }
        } else if (keyword == "f") {
            if (parts.size() == 5) {
                emitTriangle(parts, 1, 2, 3);
                emitTriangle(parts, 1, 3, 4);
            } else if (parts.size() >= 4) {
                emitTriangle(parts, 1, 2, 3);
            }
        }
    }
    return vertices;
}

std::vector<float> ObjReader::read(const QString& path, float scale) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return parse(file.readAll(), scale);
}
