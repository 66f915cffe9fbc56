// WAV files built byte by byte for the tests: chunks in any order, odd sizes, cut data.
#pragma once
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace wav {

inline void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

inline void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// A chunk: id, the declared size (the body's own size unless given), the body, a pad
// byte after an odd body.
inline std::string Chunk(const char* id, const std::string& body, int64_t declared = -1) {
    std::string s(id, 4);
    Put32(s, declared < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(declared));
    s += body;
    if (body.size() % 2) s += '\0';
    return s;
}

// The 16 bytes every format record starts with.
inline std::string FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::string s;
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    Put16(s, tag);
    Put16(s, channels);
    Put32(s, rate);
    Put32(s, rate * align);
    Put16(s, align);
    Put16(s, bits);
    return s;
}

// A format record with an extra-size field and the extra bytes.
inline std::string FmtBodyEx(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, const std::string& extra) {
    std::string s = FmtBody(tag, channels, rate, bits);
    Put16(s, static_cast<uint32_t>(extra.size()));
    return s + extra;
}

// The 22 extra bytes of the extensible form for a PCM (1) or float (3) sub-format.
inline std::string ExtensibleExtra(uint16_t subTag, uint16_t bits) {
    std::string s;
    Put16(s, bits);
    Put32(s, 4);
    Put32(s, subTag);
    const unsigned char tail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    s.append(reinterpret_cast<const char*>(tail), sizeof tail);
    return s;
}

inline std::string Riff(const std::string& chunks) {
    std::string s = "RIFF";
    Put32(s, static_cast<uint32_t>(chunks.size() + 4));
    return s + "WAVE" + chunks;
}

// A plain PCM file.
inline std::string Pcm(uint16_t channels, uint16_t bits, const std::string& data, uint32_t rate = 44100) {
    return Riff(Chunk("fmt ", FmtBody(1, channels, rate, bits)) + Chunk("data", data));
}

// Mono 16-bit samples as bytes.
inline std::string Samples16(const std::vector<int16_t>& samples) {
    std::string s;
    for (int16_t v : samples) Put16(s, static_cast<uint16_t>(v));
    return s;
}

// A 441 Hz tone of 16-bit samples at 44100 Hz.
inline std::string Tone16(uint32_t frames, float amplitude) {
    std::string s;
    for (uint32_t i = 0; i < frames; ++i) {
        const float x = amplitude * 32767.0f * std::sin(2.0f * 3.14159265f * 441.0f * static_cast<float>(i) / 44100.0f);
        Put16(s, static_cast<uint16_t>(static_cast<int16_t>(std::lround(x))));
    }
    return s;
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

}  // namespace wav

