#include "render/YMeshLoader.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "core/YEndian.h"
#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YUtils.h"
#include "render/YBoundingBox.h"
#include "render/YComplexObject.h"
#include "render/YObject.h"
#include "render/YObjectLoader.h"
#include "render/YSkeleton.h"
#include "render/YStripBuilder.h"

namespace {

constexpr uint32_t kVertexSize = 48;
constexpr uint32_t kBoxRecordSize = 96;
constexpr uint32_t kNameSize = 260;

uint32_t Remaining(const CYFile* file) { return file->GetSize() - file->GetPosition(); }

// n records of the size fit in the bytes left.
bool Fits(const CYFile* file, uint64_t n, uint32_t size) { return n * size <= Remaining(file); }

// Coordinates beyond the world's limits (or not numbers) mark a corrupt file.
bool Coordinate(float f) { return std::isfinite(f) && std::fabs(f) <= kPositionLimit; }

bool ReadVector(CYFile* file, math::Vec3* v) {
    v->x = file->ReadFloat();
    v->y = file->ReadFloat();
    v->z = file->ReadFloat();
    return Coordinate(v->x) && Coordinate(v->y) && Coordinate(v->z);
}

}  // namespace

bool CYMeshLoader::Corrupt(const char* what) {
    Log(3, "Loader: mesh %s is corrupt: %s\n", name_.c_str(), what);
    return false;
}

CYComplexObject* CYMeshLoader::LoadMesh(const std::string& name) {
    CYFile file("data\\meshes\\" + name);
    if (FAILED(file.Load())) {
        Log(0, "Loader: Can't find %s or i/o error\n", name.c_str());
        return nullptr;
    }
    return ReadMesh(&file, name);
}

CYComplexObject* CYMeshLoader::ReadMesh(CYFile* file, const std::string& name) {
    name_ = name;
    partCount_ = 0;
    const uint32_t hasBounds = static_cast<uint32_t>(file->ReadInt());
    uint32_t bounds[7] = {};
    if (hasBounds > 0) {
        uint8_t raw[28];
        file->Read(raw, sizeof raw);
        for (int i = 0; i < 7; ++i) bounds[i] = LoadLE32(raw + 4 * i);
    }
    const uint32_t nodeCount = static_cast<uint32_t>(file->ReadInt());
    if (file->ReadFailed() || !Fits(file, nodeCount, kMeshNodeMinSize)) {
        Corrupt(file->ReadFailed() ? "header ends early" : "more nodes than the file holds");
        Log(0, "Loader: Can't find %s or i/o error\n", name.c_str());
        return nullptr;
    }

    SetListOutputOnly(false);
    SetStripCacheSize(16);
    SetJoinStrips(true);
    SetMinimumStripLength(0);

    auto* object = new CYComplexObject(name);
    if (hasBounds > 0) object->SetFileBounds(bounds);
    bool ok = true;
    for (uint32_t i = 0; i < nodeCount && ok; ++i) ok = ReadNode(file, object, nullptr, 0);
    if (ok && file->GetPosition() < file->GetSize()) {
        const int32_t boneCount = file->ReadInt();
        if (file->ReadFailed()) {
            ok = Corrupt("bone count ends early");
        } else {
            auto* skeleton = new CYSkeleton(object);
            if (skeleton->Load(file->GetData() + file->GetPosition(), Remaining(file), boneCount)) {
                object->SetSkeleton(skeleton);
                object->SetMoving(true);
            } else {
                Log(0, "Error in skeleton, file - %s!\n", name.c_str());
                delete skeleton;
            }
        }
    }
    if (!ok) {
        delete object;
        Log(0, "Loader: Can't find %s or i/o error\n", name.c_str());
        return nullptr;
    }
    return object;
}

bool CYMeshLoader::ReadMeshNode(CYFile* file, CYComplexObject* object, CYObject* parent) {
    int depth = 0;
    for (CYObject* p = parent; p; p = p->GetParent()) ++depth;
    return ReadNode(file, object, parent, depth);
}

bool CYMeshLoader::ReadNode(CYFile* file, CYComplexObject* object, CYObject* parent, int depth) {
    if (depth >= kMaxObjectDepth) return Corrupt("parts nested too deep");
    if (++partCount_ > kMaxMeshParts) return Corrupt("too many parts");

    const uint32_t kind = static_cast<uint32_t>(file->ReadInt());
    if (kind > 3) return Corrupt("unknown part kind");
    char rawName[kNameSize];
    file->Read(rawName, kNameSize);
    std::string name(rawName, strnlen(rawName, kNameSize));
    ToLower(name);

    std::vector<gfx::Vertex> vertices;
    std::vector<uint16_t> indices;
    std::vector<CYBoundingBox> boxes;
    math::Vec3 vectorA, vectorB;
    if (!ReadVertices(file, &vertices) || !ReadIndices(file, vertices.size(), &indices) || !ReadBoxes(file, &boxes))
        return false;
    if (kind == 1 || kind == 2) {
        if (!ReadVector(file, &vectorA) || !ReadVector(file, &vectorB))
            return Corrupt("part vector out of range");
    }
    if (file->ReadFailed()) return Corrupt("node ends early");

    CYObject* part = object->CreatePart(file, name, parent, vertices, indices, static_cast<int>(kind),
                                        boxes.empty() ? nullptr : &boxes, vectorA, vectorB);
    if (!part) return Corrupt("part refused");
    part->SetOwner(object);

    const uint32_t childCount = static_cast<uint32_t>(file->ReadInt());
    if (file->ReadFailed()) return Corrupt("node ends early");
    if (!Fits(file, childCount, kMeshNodeMinSize)) return Corrupt("more children than the file holds");
    for (uint32_t i = 0; i < childCount; ++i)
        if (!ReadNode(file, object, part, depth + 1)) return false;
    return true;
}

bool CYMeshLoader::ReadVertices(CYFile* file, std::vector<gfx::Vertex>* vertices) {
    const uint32_t vertexCount = static_cast<uint32_t>(file->ReadInt());
    if (file->ReadFailed()) return Corrupt("node ends early");
    if (vertexCount > kMaxMeshVertices || !Fits(file, vertexCount, kVertexSize))
        return Corrupt("more vertices than the file holds");
    std::vector<uint8_t> raw(static_cast<size_t>(vertexCount) * kVertexSize);
    file->Read(raw.data(), static_cast<uint32_t>(raw.size()));
    vertices->resize(vertexCount);
    for (uint32_t i = 0; i < vertexCount; ++i) {
        const uint8_t* p = raw.data() + static_cast<size_t>(i) * kVertexSize;
        gfx::Vertex& v = (*vertices)[i];
        float* floats[] = {&v.x, &v.y, &v.z, &v.nx, &v.ny, &v.nz};
        for (int k = 0; k < 6; ++k) *floats[k] = LoadLEFloat(p + 4 * k);
        // Colours stored in the file have no effect: every part starts opaque white.
        v.diffuse = 0xFFFFFFFFu;
        v.specular = LoadLE32(p + 28);
        v.u0 = LoadLEFloat(p + 32);
        v.v0 = LoadLEFloat(p + 36);
        v.u1 = LoadLEFloat(p + 40);
        v.v1 = LoadLEFloat(p + 44);
        if (!Coordinate(v.x) || !Coordinate(v.y) || !Coordinate(v.z))
            return Corrupt("vertex position out of range");
        for (float f : {v.nx, v.ny, v.nz, v.u0, v.v0, v.u1, v.v1})
            if (!std::isfinite(f)) return Corrupt("vertex value not a number");
    }
    return true;
}

bool CYMeshLoader::ReadIndices(CYFile* file, size_t vertexCount, std::vector<uint16_t>* indices) {
    const uint32_t indexCount = static_cast<uint32_t>(file->ReadInt());
    if (file->ReadFailed()) return Corrupt("node ends early");
    if (!Fits(file, indexCount, 2)) return Corrupt("more indices than the file holds");
    std::vector<uint8_t> raw(static_cast<size_t>(indexCount) * 2);
    file->Read(raw.data(), static_cast<uint32_t>(raw.size()));
    // A last triangle that is not whole is read past and dropped.
    const uint32_t kept = indexCount - indexCount % 3;
    if (kept != indexCount)
        Log(3, "Loader: mesh %s has %u indices, not whole triangles; the last %u dropped\n", name_.c_str(),
            indexCount, indexCount - kept);
    indices->resize(kept);
    for (uint32_t i = 0; i < kept; ++i) {
        (*indices)[i] = LoadLE16(raw.data() + 2 * size_t(i));
        if ((*indices)[i] >= vertexCount) return Corrupt("index past the vertices");
    }
    return true;
}

bool CYMeshLoader::ReadBoxes(CYFile* file, std::vector<CYBoundingBox>* boxes) {
    const int32_t recordCount = file->ReadInt();
    if (file->ReadFailed()) return Corrupt("node ends early");
    if (recordCount <= 0) return true;
    if (!Fits(file, static_cast<uint32_t>(recordCount), kBoxRecordSize))
        return Corrupt("more boxes than the file holds");
    boxes->reserve(static_cast<size_t>(recordCount));
    for (int32_t i = 0; i < recordCount; ++i) {
        uint8_t record[kBoxRecordSize];
        file->Read(record, kBoxRecordSize);
        float f[8];
        for (int k = 0; k < 8; ++k) {
            f[k] = LoadLEFloat(record + 4 * k);
            if (!Coordinate(f[k])) return Corrupt("box value out of range");
        }
        boxes->emplace_back(math::Vec4{f[0], f[1], f[2], f[3]}, math::Vec4{f[4], f[5], f[6], f[7]});
    }
    return true;
}

HRESULT CYMeshLoader::LoadObject(const std::string& name, CYComplexObject** object) {
    *object = nullptr;
    CYFile file("data\\meshes\\" + name);
    if (FAILED(file.Load())) {
        Log(0, "Undefined mesh object, in file - %s\n", name.c_str());
        return E_FAIL;
    }
    YObjectDescription d;
    d.name = name;
    if (!ParseObjectDescription(file.GetData(), file.GetSize(), &d)) return E_FAIL;
    std::unique_ptr<CYComplexObject> built;
    if (d.mesh == "particles") {
        built = BuildParticleObject(d);
        AddScriptsAndPartBlocks(built.get(), d);
    } else {
        built = BuildMeshObject(d);
        if (!built) return E_FAIL;
    }
    *object = built.release();
    return S_OK;
}

std::unique_ptr<CYComplexObject> CYMeshLoader::BuildMeshObject(const YObjectDescription& d) {
    std::unique_ptr<CYComplexObject> built(d.mesh == "empty" ? new CYComplexObject("empty") : LoadMesh(d.mesh));
    if (!built) {
        Log(0, "Cannot load mesh file - %s", d.mesh.c_str());
        return nullptr;
    }
    if (d.moving) built->SetMoving(true);
    ApplyMovingToParts(built.get(), d);
    built->SetWeight(d.weight);
    if (!d.animationTable.empty() && built->GetSkeleton()) built->GetSkeleton()->LoadAnimationTable(d.animationTable);
    AddDescribedSprites(built.get(), d);
    AddScriptsAndPartBlocks(built.get(), d);
    if (!built->Parts().empty()) built->ComputeRadius();
    return built;
}
