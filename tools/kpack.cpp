// The archive packer: builds a game archive from a folder tree, or lists an archive.
//
//   kpack build <archive> <folder>   pack <folder> (the root entry, e.g. "data") into <archive>
//   kpack list <archive>             print each file: absolute offset, size, path
//
// The archive is written with the engine's own writer and scrambling key, and is checked
// against the same limits the engine's reader enforces.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/YArchive.h"
#include "core/YEndian.h"
#include "core/YFile.h"
#include "core/YSettings.h"

namespace {

namespace stdfs = std::filesystem;

struct Node {
    std::string name;
    bool directory = false;
    stdfs::path source;  // a file's path on disk
    uint64_t size = 0;
    std::vector<Node> children;
};

bool Fail(const std::string& message) {
    std::fprintf(stderr, "kpack: %s\n", message.c_str());
    return false;
}

// The exit code of a failed command, after its message.
int FailExit(const std::string& message) {
    Fail(message);
    return 1;
}

// Reads a folder tree, children in byte order of their names. Entries that are neither
// regular files nor directories are skipped.
bool Collect(const stdfs::path& path, const std::string& name, const std::string& prefix, int depth, Node& node) {
    std::string archivePath = prefix + name;
    if (depth > kArchiveMaxDepth) return Fail("too deep: " + path.string());
    if (archivePath.size() > kArchiveMaxPath) return Fail("path too long: " + path.string());
    std::error_code ec;
    stdfs::file_status status = stdfs::status(path, ec);
    if (ec) return Fail("cannot read " + path.string() + ": " + ec.message());
    node.name = name;
    node.source = path;
    if (stdfs::is_regular_file(status)) {
        node.size = stdfs::file_size(path, ec);
        if (ec) return Fail("cannot read " + path.string() + ": " + ec.message());
        return true;
    }
    if (!stdfs::is_directory(status)) return Fail("not a file or folder: " + path.string());
    node.directory = true;
    std::vector<stdfs::path> entries;
    for (stdfs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(it->path());
    if (ec) return Fail("cannot list " + path.string() + ": " + ec.message());
    std::sort(entries.begin(), entries.end(),
              [](const stdfs::path& a, const stdfs::path& b) { return a.filename().string() < b.filename().string(); });
    for (const stdfs::path& entry : entries) {
        stdfs::file_status s = stdfs::status(entry, ec);
        if (ec || !(stdfs::is_regular_file(s) || stdfs::is_directory(s))) {
            std::fprintf(stderr, "kpack: skipping %s\n", entry.string().c_str());
            continue;
        }
        Node child;
        if (!Collect(entry, entry.filename().string(), archivePath + "\\", depth + 1, child)) return false;
        node.children.push_back(std::move(child));
    }
    if (node.children.size() > INT32_MAX) return Fail("too many entries in " + path.string());
    return true;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t b[4];
    StoreLE32(b, v);
    out.insert(out.end(), b, b + 4);
}

// Appends the node's directory entries, depth first, giving each file its data offset.
bool WriteDirectory(const Node& node, std::vector<uint8_t>& out, uint64_t& dataSize, std::vector<const Node*>& files) {
    PutU32(out, static_cast<uint32_t>(node.name.size()));
    out.insert(out.end(), node.name.begin(), node.name.end());
    if (!node.directory) {
        if (dataSize > INT32_MAX || node.size > UINT32_MAX) return Fail("archive too large");
        PutU32(out, static_cast<uint32_t>(dataSize));
        PutU32(out, static_cast<uint32_t>(node.size));
        PutU32(out, 0);
        dataSize += node.size;
        files.push_back(&node);
        return true;
    }
    PutU32(out, static_cast<uint32_t>(-1));
    PutU32(out, 0);
    PutU32(out, static_cast<uint32_t>(node.children.size()));
    for (const Node& child : node.children)
        if (!WriteDirectory(child, out, dataSize, files)) return false;
    return true;
}

bool ReadWhole(const Node& file, std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(file.source.c_str(), "rb");
    if (!f) return Fail("cannot open " + file.source.string());
    bytes.assign(file.size, 0);
    bool ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fgetc(f) == EOF;
    std::fclose(f);
    if (!ok) return Fail("cannot read " + file.source.string() + " (changed while packing?)");
    return true;
}

int Build(const std::string& archive, const std::string& folder) {
    stdfs::path root = stdfs::path(folder).lexically_normal();
    if (!root.has_filename()) root = root.parent_path();
    Node tree;
    if (!Collect(root, root.filename().string(), "", 0, tree)) return 1;

    std::vector<uint8_t> directory;
    std::vector<const Node*> files;
    uint64_t dataSize = 0;
    if (!WriteDirectory(tree, directory, dataSize, files)) return 1;
    if (8 + directory.size() + dataSize > UINT32_MAX) return FailExit("archive too large");
    ScrambleBuffer(directory.data(), directory.size());

    CYFileWriter writer(archive);
    writer.WriteInt(static_cast<int32_t>(kArchiveMagic));
    writer.WriteInt(static_cast<int32_t>(directory.size()));
    writer.Write(directory.data(), static_cast<uint32_t>(directory.size()));
    std::vector<uint8_t> bytes;
    for (const Node* file : files) {
        if (!ReadWhole(*file, bytes)) return 1;
        ScrambleBuffer(bytes.data(), bytes.size());
        writer.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    if (FAILED(writer.Save())) return FailExit("cannot write " + archive);
    std::printf("%zu files, %" PRIu64 " bytes of data -> %s\n", files.size(), dataSize, archive.c_str());
    return 0;
}

int List(const std::string& archive) {
    ArchiveIndex index;
    uint32_t dataStart = 0;
    if (FAILED(ReadGameArchiveIndex(archive, index, dataStart))) return FailExit("cannot read game archive " + archive);
    std::vector<std::pair<std::string, ArchiveEntry>> entries(index.begin(), index.end());
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [path, entry] : entries) std::printf("%10u %10u  %s\n", entry.offset, entry.size, path.c_str());
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: kpack build <archive> <folder>\n"
                 "       kpack list <archive>\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Errors go to stderr; the engine's log file is not written.
    g_settings.logLevel = -1000;
    if (argc == 4 && std::strcmp(argv[1], "build") == 0) return Build(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "list") == 0) return List(argv[2]);
    return Usage();
}
