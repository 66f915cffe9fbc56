// Shared by the sample-content tools: the output folder named on the command line, and
// whole-file writes that never leave a half-written file behind.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace content {

// The output folder given as the only argument, created when missing. 0 on success, else
// the exit status to return (2 for a wrong command line, 1 for a folder that cannot be made).
inline int OutputDirectory(int argc, char** argv, const char* tool, std::filesystem::path& dir) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", tool);
        return 2;
    }
    dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "%s: cannot make %s: %s\n", tool, dir.c_str(), error.message().c_str());
        return 1;
    }
    return 0;
}

// Writes a file whole, creating its folder: a temporary file renamed over the old one.
// An empty content is refused: every tool makes something.
inline bool WriteFile(const std::filesystem::path& path, const void* data, size_t size) {
    if (size == 0) return false;
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    const std::filesystem::path temp = path.string() + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    if (std::fclose(f) != 0 || !written) return false;
    std::filesystem::rename(temp, path, error);
    return !error;
}

inline bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    return WriteFile(path, bytes.data(), bytes.size());
}

inline bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    return WriteFile(path, bytes.data(), bytes.size());
}

}  // namespace content
