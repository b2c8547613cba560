#include "mmd/VMDFile.h"

#include <cmath>
#include <cstring>

#include "mmd/File.h"
#include "mmd/Logger.h"

namespace mmd {
namespace {

constexpr size_t kMotionSize = 111;
constexpr size_t kMorphSize = 23;
constexpr size_t kCameraSize = 61;
constexpr size_t kLightSize = 28;
constexpr size_t kShadowSize = 9;
constexpr size_t kIkKeyHeadSize = 9;
constexpr size_t kIkInfoSize = 21;

// Little-endian field reader over one record already in memory.
class RecordReader {
public:
    explicit RecordReader(const uint8_t* data) : m_p(data) {}
    void Bytes(void* dst, size_t n) {
        std::memcpy(dst, m_p, n);
        m_p += n;
    }
    uint8_t U8() { return *m_p++; }
    uint32_t U32() {
        uint32_t v = uint32_t(m_p[0]) | uint32_t(m_p[1]) << 8 | uint32_t(m_p[2]) << 16 | uint32_t(m_p[3]) << 24;
        m_p += 4;
        return v;
    }
    float F32() {
        uint32_t u = U32();
        float f;
        std::memcpy(&f, &u, 4);
        return f;
    }
    glm::vec3 Vec3() {
        float x = F32();
        float y = F32();
        float z = F32();
        return {x, y, z};
    }
    // A NaN or infinity would pass through skinning into the physics world, which then stays broken: 0.
    float FiniteF32() {
        const float f = F32();
        return std::isfinite(f) ? f : 0.0f;
    }
    glm::vec3 FiniteVec3() {
        float x = FiniteF32();
        float y = FiniteF32();
        float z = FiniteF32();
        return {x, y, z};
    }
    // A name field of `n` bytes into a buffer of n + 1, always terminated.
    void Name(char* dst, size_t n) {
        Bytes(dst, n);
        dst[n] = '\0';
    }

private:
    const uint8_t* m_p;
};

// Reads a record count and checks that `count` records of at least `minRecordSize` bytes fit in what remains.
bool ReadCount(BinaryFile& file, size_t minRecordSize, uint32_t& count) {
    uint8_t raw[4];
    if (!file.Read(raw, 4)) return false;
    count = RecordReader(raw).U32();
    return uint64_t(count) * minRecordSize <= uint64_t(file.Remaining());
}

// Reads `count` fixed-size records, parsing each with `parse`.
template <typename T, typename Parse>
bool ReadRecords(BinaryFile& file, size_t recordSize, std::vector<T>& out, Parse parse) {
    uint32_t count = 0;
    if (!ReadCount(file, recordSize, count)) return false;
    out.resize(count);
    uint8_t buffer[kMotionSize];
    for (T& record : out) {
        if (!file.Read(buffer, recordSize)) return false;
        RecordReader r(buffer);
        parse(r, record);
    }
    return true;
}

bool ReadHeader(VMDFileData& vmd, BinaryFile& file) {
    uint8_t raw[50];
    if (!file.Read(raw, sizeof(raw))) return false;
    RecordReader r(raw);
    r.Name(vmd.header.header, 30);
    r.Name(vmd.header.modelName, 20);
    const std::string signature(vmd.header.header);
    if (signature != "Vocaloid Motion Data 0002" && signature != "Vocaloid Motion Data") {
        GetLogger()->warn("VMD Header error.");
        return false;
    }
    return true;
}

bool ReadMotions(VMDFileData& vmd, BinaryFile& file) {
    return ReadRecords(file, kMotionSize, vmd.motions, [](RecordReader& r, VMDMotion& m) {
        r.Name(m.boneName, 15);
        m.frame = r.U32();
        m.translate = r.FiniteVec3();
        const float x = r.F32();
        const float y = r.F32();
        const float z = r.F32();
        const float w = r.F32();
        const bool finite = std::isfinite(x) && std::isfinite(y) && std::isfinite(z) && std::isfinite(w);
        m.quaternion = finite ? glm::quat(w, x, y, z) : glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
        r.Bytes(m.interpolation, sizeof(m.interpolation));
    });
}

bool ReadMorphs(VMDFileData& vmd, BinaryFile& file) {
    return ReadRecords(file, kMorphSize, vmd.morphs, [](RecordReader& r, VMDMorph& m) {
        r.Name(m.blendShapeName, 15);
        m.frame = r.U32();
        m.weight = r.FiniteF32();
    });
}

bool ReadCameras(VMDFileData& vmd, BinaryFile& file) {
    return ReadRecords(file, kCameraSize, vmd.cameras, [](RecordReader& r, VMDCamera& c) {
        c.frame = r.U32();
        c.distance = r.F32();
        c.interest = r.Vec3();
        c.rotate = r.Vec3();
        r.Bytes(c.interpolation, sizeof(c.interpolation));
        c.viewAngle = r.U32();
        c.isPerspective = r.U8();
    });
}

bool ReadLights(VMDFileData& vmd, BinaryFile& file) {
    return ReadRecords(file, kLightSize, vmd.lights, [](RecordReader& r, VMDLight& l) {
        l.frame = r.U32();
        l.color = r.Vec3();
        l.position = r.Vec3();
    });
}

bool ReadShadows(VMDFileData& vmd, BinaryFile& file) {
    return ReadRecords(file, kShadowSize, vmd.shadows, [](RecordReader& r, VMDShadow& s) {
        s.frame = r.U32();
        s.shadowType = r.U8();
        s.distance = r.F32();
    });
}

bool ReadIks(VMDFileData& vmd, BinaryFile& file) {
    uint32_t count = 0;
    if (!ReadCount(file, kIkKeyHeadSize, count)) return false;
    vmd.iks.resize(count);
    for (VMDIk& ik : vmd.iks) {
        uint8_t head[kIkKeyHeadSize];
        if (!file.Read(head, sizeof(head))) return false;
        RecordReader h(head);
        ik.frame = h.U32();
        ik.show = h.U8();
        const uint32_t infoCount = h.U32();
        if (uint64_t(infoCount) * kIkInfoSize > uint64_t(file.Remaining())) return false;
        ik.ikInfos.resize(infoCount);
        for (VMDIkInfo& info : ik.ikInfos) {
            uint8_t raw[kIkInfoSize];
            if (!file.Read(raw, sizeof(raw))) return false;
            RecordReader r(raw);
            r.Name(info.name, 20);
            info.enable = r.U8();
        }
    }
    return true;
}

// Optional trailing sections start only where the file still has bytes.
bool AtEnd(const BinaryFile& file) { return file.Tell() >= file.Size(); }

}  // namespace

bool ReadVMDFile(VMDFileData& vmd, BinaryFile& file) {
    vmd = VMDFileData{};
    if (!ReadHeader(vmd, file)) {
        GetLogger()->warn("ReadHeader Fail.");
        return false;
    }
    if (!ReadMotions(vmd, file)) {
        GetLogger()->warn("ReadMotion Fail.");
        return false;
    }
    if (AtEnd(file)) return true;
    if (!ReadMorphs(vmd, file)) {
        GetLogger()->warn("ReadBlednShape Fail.");
        return false;
    }
    if (AtEnd(file)) return true;
    if (!ReadCameras(vmd, file)) {
        GetLogger()->warn("ReadCamera Fail.");
        return false;
    }
    if (AtEnd(file)) return true;
    if (!ReadLights(vmd, file)) {
        GetLogger()->warn("ReadLight Fail.");
        return false;
    }
    if (AtEnd(file)) return true;
    if (!ReadShadows(vmd, file)) {
        GetLogger()->warn("ReadShadow Fail.");
        return false;
    }
    if (AtEnd(file)) return true;
    if (!ReadIks(vmd, file)) {
        GetLogger()->warn("ReadIK Fail.");
        return false;
    }
    return true;
}

bool ReadVMDFile(VMDFileData& vmd, const std::string& pathUtf8) {
    BinaryFile file;
    if (!file.Open(pathUtf8)) {
        GetLogger()->warn("VMD File Open Fail. {}", pathUtf8);
        return false;
    }
    return ReadVMDFile(vmd, file);
}

}  // namespace mmd
