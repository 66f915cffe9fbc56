// Shared by the sample-content tools: the output folder named on the command line, and
// whole-file writes that never leave a half-written file behind.
#pragma once
#include <cmath>
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

// A RIFF/WAVE file of 16-bit PCM from interleaved samples, each clipped to -1..1.
inline std::string Wave16(const std::vector<float>& interleaved, uint16_t channels, uint32_t rate) {
    auto put16 = [](std::string& s, uint32_t v) {
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>((v >> 8) & 0xFF);
    };
    auto put32 = [&](std::string& s, uint32_t v) {
        put16(s, v & 0xFFFF);
        put16(s, v >> 16);
    };
    std::string data;
    for (float x : interleaved) {
        x = x > 1.0f ? 1.0f : (x < -1.0f ? -1.0f : x);
        put16(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(x * 32767.0f))));
    }
    std::string s = "RIFF";
    put32(s, static_cast<uint32_t>(4 + 8 + 16 + 8 + data.size()));
    s += "WAVEfmt ";
    put32(s, 16);
    put16(s, 1);  // PCM
    put16(s, channels);
    put32(s, rate);
    put32(s, rate * channels * 2u);  // bytes a second
    put16(s, channels * 2u);         // block align
    put16(s, 16);                    // bits
    s += "data";
    put32(s, static_cast<uint32_t>(data.size()));
    return s + data;
}

}  // namespace content
