// Mesh files (.a3d under data\meshes): a tree of named parts with their vertices,
// triangle indices and bounding boxes, optionally followed by a bone tree. The loader
// builds a complex object from one file. Every count is checked against the bytes left
// before anything is allocated; a corrupt file gives no object and a log line.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Device.h"
#include "platform/system/Result.h"

class CYBoundingBox;
class CYComplexObject;
class CYFile;
class CYObject;
struct YObjectDescription;

// Most parts one mesh may hold.
constexpr int kMaxMeshParts = 4096;
// Most vertices of one part: 16-bit indices address no more.
constexpr uint32_t kMaxMeshVertices = 65536;
// Fewest bytes a node record takes: kind, name, and four counts.
constexpr uint32_t kMeshNodeMinSize = 4 + 260 + 4 + 4 + 4 + 4;

class CYMeshLoader {
public:
    CYMeshLoader() = default;
    virtual ~CYMeshLoader() = default;
    CYMeshLoader(const CYMeshLoader&) = delete;
    CYMeshLoader& operator=(const CYMeshLoader&) = delete;

    // Loads "data\meshes\<name>" and builds a new complex object named name; null (with
    // "Loader: Can't find ..." logged) when the file is missing or corrupt.
    CYComplexObject* LoadMesh(const std::string& name);
    // Reads the object description "data\meshes\<name>" (YObjectLoader.h) and builds the
    // object it describes: S_OK and the new object, or E_FAIL and null when the first
    // line is wrong or the mesh cannot be loaded.
    HRESULT LoadObject(const std::string& name, CYComplexObject** object);
    // Builds the object from a file already loaded (read from its position); null with
    // the same line when the file is corrupt. name names the object and the log lines.
    CYComplexObject* ReadMesh(CYFile* file, const std::string& name);
    // Reads one node record, creates its part under parent (null: a top-level part of
    // the object) and reads its children below it. False when the record is corrupt.
    bool ReadMeshNode(CYFile* file, CYComplexObject* object, CYObject* parent);

private:
    bool ReadNode(CYFile* file, CYComplexObject* object, CYObject* parent, int depth);
    // The parts of a node record, in file order; each false (logged) when corrupt.
    bool ReadVertices(CYFile* file, std::vector<gfx::Vertex>* vertices);
    bool ReadIndices(CYFile* file, size_t vertexCount, std::vector<uint16_t>* indices);
    bool ReadBoxes(CYFile* file, std::vector<CYBoundingBox>* boxes);
    // The object of a description that names a mesh file or "empty", with its settings,
    // sprites, scripts and part blocks; null (logged) when the mesh does not load.
    std::unique_ptr<CYComplexObject> BuildMeshObject(const YObjectDescription& description);
    // Logs why the file is refused; always false.
    bool Corrupt(const char* what);

    std::string name_;
    int partCount_ = 0;
};
