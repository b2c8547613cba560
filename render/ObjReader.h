#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Reader of the Wavefront OBJ subset the system meshes use: "v" positions, "vt" texture coordinates and "f"
// faces of three or four "position/texcoord" corners. The result is a flat triangle list of interleaved
// vertices, 5 floats each: position x, y, z (OBJ units times the scale), then u and 1 - v, so that v = 1 (the
// top of the image in OBJ terms) lands on the image's first row. Needs no GL context.
class ObjReader {
public:
    // Floats per vertex in the result.
    static constexpr int kFloatsPerVertex = 5;

    // Parses OBJ text. Lines that are not understood or that are malformed (too few or non-finite numbers, corner
    // indices that are not 1-based references to an already read position and texture coordinate) are skipped;
    // a face keeps those of its triangles whose corners are all valid. Never fails: bad input gives fewer vertices.
    static std::vector<float> parse(const QByteArray& text, float scale);

    // Reads a resource or file path and parses it; an unreadable one yields no vertices.
    static std::vector<float> read(const QString& path, float scale);
};
