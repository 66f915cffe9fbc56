#include "audio/YWaveFile.h"

#include <gtest/gtest.h>

#include "WavBuilder.h"
#include "support/TestSupport.h"

namespace {

using namespace wav;

// The whole data of an opened file.
std::string ReadAll(CYWaveFile& file) {
    std::string out(file.GetSize(), '\x55');
    uint32_t n = 0;
    EXPECT_EQ(file.Read(reinterpret_cast<uint8_t*>(out.data()), file.GetSize(), &n), S_OK);
    out.resize(n);
    return out;
}

HRESULT Parse(CYWaveFile& file, const std::string& bytes) { return file.OpenMemory(Bytes(bytes)); }

// ---- layouts that are read

TEST(WaveFileLayout, PlainPcmGivesItsFormatAndData) {
    CYWaveFile file;
    ASSERT_EQ(Parse(file, Pcm(2, 16, "abcdefgh", 22050)), S_OK);
    const snd::WaveFormat* f = file.GetFormat();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->formatTag, 1);
    EXPECT_EQ(f->channels, 2);
    EXPECT_EQ(f->samplesPerSec, 22050u);
    EXPECT_EQ(f->avgBytesPerSec, 88200u);
    EXPECT_EQ(f->blockAlign, 4);
    EXPECT_EQ(f->bitsPerSample, 16);
    EXPECT_TRUE(f->extra.empty());
    EXPECT_EQ(file.GetSize(), 8u);
    EXPECT_EQ(ReadAll(file), "abcdefgh");
}

TEST(WaveFileLayout, ListChunkBeforeFmtIsSkipped) {
    CYWaveFile file;
    const std::string list = Chunk("LIST", std::string("INFOISFT\x06\0\0\0kestru", 18));
    ASSERT_EQ(Parse(file, Riff(list + Chunk("fmt ", FmtBody(1, 1, 8000, 8)) + Chunk("data", "xyz!"))), S_OK);
    EXPECT_EQ(file.GetFormat()->samplesPerSec, 8000u);
    EXPECT_EQ(ReadAll(file), "xyz!");
}

TEST(WaveFileLayout, OddChunksArePaddedToEvenOffsets) {
    CYWaveFile file;
    const std::string odd = Chunk("junk", "12345");  // 5 bytes and a pad byte
    ASSERT_EQ(odd.size(), 14u);
    ASSERT_EQ(Parse(file, Riff(odd + Chunk("fmt ", FmtBody(1, 1, 8000, 8)) + Chunk("data", "abc") + odd)), S_OK);
    EXPECT_EQ(file.GetSize(), 3u);
    EXPECT_EQ(ReadAll(file), "abc");
}

TEST(WaveFileLayout, DataBeforeFmtIsFound) {
    CYWaveFile file;
    ASSERT_EQ(Parse(file, Riff(Chunk("data", "1234") + Chunk("fmt ", FmtBody(1, 2, 8000, 8)))), S_OK);
    EXPECT_EQ(file.GetFormat()->channels, 2);
    EXPECT_EQ(ReadAll(file), "1234");
}

TEST(WaveFileLayout, ExtensibleFormatKeepsItsExtraBytes) {
    CYWaveFile file;
    const std::string extra = ExtensibleExtra(1, 16);
    ASSERT_EQ(Parse(file, Riff(Chunk("fmt ", FmtBodyEx(0xFFFE, 2, 48000, 16, extra)) + Chunk("data", "abcd"))), S_OK);
    EXPECT_EQ(file.GetFormat()->formatTag, 0xFFFE);
    EXPECT_EQ(file.GetFormat()->extra, Bytes(extra));
    EXPECT_EQ(ReadAll(file), "abcd");
}

TEST(WaveFileLayout, FloatFormatWithNoExtraBytes) {
    CYWaveFile file;
    ASSERT_EQ(Parse(file, Riff(Chunk("fmt ", FmtBodyEx(3, 1, 44100, 32, "")) + Chunk("data", "abcd"))), S_OK);
    EXPECT_EQ(file.GetFormat()->formatTag, 3);
    EXPECT_EQ(file.GetFormat()->bitsPerSample, 32);
    EXPECT_TRUE(file.GetFormat()->extra.empty());
}

TEST(WaveFileLayout, SixteenByteFmtOfANonPcmFormatHasNoExtraBytes) {
    // The next chunk's header is not an extra-size field.
    CYWaveFile file;
    ASSERT_EQ(Parse(file, Riff(Chunk("fmt ", FmtBody(3, 1, 44100, 32)) + Chunk("data", "abcd"))), S_OK);
    EXPECT_TRUE(file.GetFormat()->extra.empty());
    EXPECT_EQ(ReadAll(file), "abcd");
}

TEST(WaveFileRefused, FmtChunkClaimingMoreExtraBytesThanItHolds) {
    CYWaveFile file;
    std::string fmt = FmtBody(0xFFFE, 1, 44100, 16);
    Put16(fmt, 3);  // claims 3 extra bytes, holds 2
    fmt += "XY";
    EXPECT_EQ(Parse(file, Riff(Chunk("fmt ", fmt) + Chunk("data", "abcd"))), E_FAIL);
    EXPECT_EQ(file.GetFormat(), nullptr);
    // Exactly as many as it holds is whole.
    fmt = FmtBody(0xFFFE, 1, 44100, 16);
    Put16(fmt, 2);
    ASSERT_EQ(Parse(file, Riff(Chunk("fmt ", fmt + "XY") + Chunk("data", "abcd"))), S_OK);
    EXPECT_EQ(file.GetFormat()->extra, Bytes("XY"));
}

TEST(WaveFileLayout, PcmFormatIgnoresAnExtraSizeField) {
    CYWaveFile file;
    ASSERT_EQ(Parse(file, Riff(Chunk("fmt ", FmtBodyEx(1, 1, 8000, 8, "zz")) + Chunk("data", "ab"))), S_OK);
    EXPECT_TRUE(file.GetFormat()->extra.empty());
}

// ---- reading

TEST(WaveFileRead, CutDataDeclaresItsSizeAndReadsWhatIsThere) {
    CYWaveFile file;
    const std::string fmt = Chunk("fmt ", FmtBody(1, 1, 8000, 8));
    std::string bytes = Riff(fmt + Chunk("data", std::string(1000, 'q')));
    bytes.resize(bytes.size() - 400);
    ASSERT_EQ(Parse(file, bytes), S_OK);
    EXPECT_EQ(file.GetSize(), 1000u);
    EXPECT_EQ(ReadAll(file), std::string(600, 'q'));
    uint8_t more[4];
    uint32_t n = 9;
    EXPECT_EQ(file.Read(more, 4, &n), S_OK);
    EXPECT_EQ(n, 0u);
}

TEST(WaveFileRead, ReadsInPiecesAndResetGoesBackToTheStart) {
    CYWaveFile file;
    ASSERT_EQ(Parse(file, Pcm(1, 8, "0123456789")), S_OK);
    uint8_t piece[4];
    uint32_t n = 0;
    ASSERT_EQ(file.Read(piece, 4, &n), S_OK);
    ASSERT_EQ(n, 4u);
    ASSERT_EQ(file.Read(piece, 4, &n), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(piece), n), "4567");
    ASSERT_EQ(file.Read(piece, 4, &n), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(piece), n), "89");
    ASSERT_EQ(file.ResetFile(), S_OK);
    ASSERT_EQ(file.Read(piece, 4, &n), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(piece), n), "0123");
}

TEST(WaveFileRead, ReadingNeedsAnOpenFileAndRealPointers) {
    CYWaveFile file;
    uint8_t b[4];
    uint32_t n = 0;
    EXPECT_EQ(file.Read(b, 4, &n), CO_E_NOTINITIALIZED);
    EXPECT_EQ(file.ResetFile(), CO_E_NOTINITIALIZED);
    ASSERT_EQ(Parse(file, Pcm(1, 8, "01")), S_OK);
    EXPECT_EQ(file.Read(nullptr, 4, &n), E_INVALIDARG);
    EXPECT_EQ(file.Read(b, 4, nullptr), E_INVALIDARG);
    file.Close();
    EXPECT_EQ(file.GetFormat(), nullptr);
    EXPECT_EQ(file.Read(b, 4, &n), CO_E_NOTINITIALIZED);
}

// ---- files that are refused

TEST(WaveFileRefused, NotRiffOrNotWaveOrTooShort) {
    CYWaveFile file;
    std::string good = Pcm(1, 8, "ab");
    std::string bad = good;
    bad[0] = 'X';
    EXPECT_EQ(Parse(file, bad), E_FAIL);
    bad = good;
    bad.replace(8, 4, "AVI ");
    EXPECT_EQ(Parse(file, bad), E_FAIL);
    EXPECT_EQ(Parse(file, "RIFF\x04\0\0\0WAV"), E_FAIL);
    EXPECT_EQ(Parse(file, ""), E_FAIL);
    EXPECT_EQ(file.GetFormat(), nullptr);
}

TEST(WaveFileRefused, ZeroChannelsOrZeroBlockAlign) {
    CYWaveFile file;
    EXPECT_EQ(Parse(file, Riff(Chunk("fmt ", FmtBody(1, 0, 8000, 8)) + Chunk("data", "ab"))), E_FAIL);
    std::string fmt = FmtBody(1, 1, 8000, 8);
    fmt[12] = 0;
    EXPECT_EQ(Parse(file, Riff(Chunk("fmt ", fmt) + Chunk("data", "ab"))), E_FAIL);
}

TEST(WaveFileRead, DeclaredDataSizeStandsWhateverTheFileHolds) {
    CYWaveFile file;
    const std::string fmt = Chunk("fmt ", FmtBody(1, 1, 8000, 8));
    for (uint32_t declared : {(4u << 20) + 4, 0x0FFFFFFFu, 0xFFFFFFF0u}) {
        ASSERT_EQ(Parse(file, Riff(fmt + Chunk("data", "abcd", declared))), S_OK) << declared;
        EXPECT_EQ(file.GetSize(), declared);
        uint8_t out[16] = {};
        uint32_t n = 0;
        ASSERT_EQ(file.Read(out, sizeof out, &n), S_OK);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(out), n), "abcd");
        ASSERT_EQ(file.Read(out, sizeof out, &n), S_OK);
        EXPECT_EQ(n, 0u);
    }
}

TEST(WaveFileRefused, MissingOrShortChunks) {
    CYWaveFile file;
    EXPECT_EQ(Parse(file, Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8)))), E_FAIL);
    EXPECT_EQ(Parse(file, Riff(Chunk("data", "abcd"))), E_FAIL);
    EXPECT_EQ(Parse(file, Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8).substr(0, 14)) + Chunk("data", "ab"))), E_FAIL);
    // A format chunk that runs past the end of the file.
    std::string cut = Riff(Chunk("data", "ab") + Chunk("fmt ", FmtBody(1, 1, 8000, 8)));
    cut.resize(cut.size() - 4);
    EXPECT_EQ(Parse(file, cut), E_FAIL);
}

TEST(WaveFileRefused, ChunksAfterTheRiffChunkAreNotSearched) {
    CYWaveFile file;
    std::string bytes = Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8)));
    bytes += Chunk("data", "ab");
    EXPECT_EQ(Parse(file, bytes), E_FAIL);
}

// ---- opening files of the game's data

TEST(WaveFileOpen, ReadsAGameDataPathFromDisk) {
    test::TempDir dir;
    test::WriteFile("data/sounds/click.wav", Pcm(1, 16, "abcd"));
    CYWaveFile file;
    ASSERT_EQ(file.Open("data\\sounds\\click.wav", nullptr, kWaveFileRead), S_OK);
    EXPECT_EQ(ReadAll(file), "abcd");
}

TEST(WaveFileOpen, MissingFileNullNameAndOtherModesFail) {
    test::TempDir dir;
    CYWaveFile file;
    EXPECT_EQ(file.Open("data\\sounds\\none.wav", nullptr, kWaveFileRead), E_FAIL);
    EXPECT_EQ(file.Open(nullptr, nullptr, kWaveFileRead), E_INVALIDARG);
    test::WriteFile("a.wav", Pcm(1, 16, "abcd"));
    EXPECT_EQ(file.Open("a.wav", nullptr, 2), E_INVALIDARG);
    test::WriteFile("data/sounds/dir.wav/x", "");
    EXPECT_EQ(file.Open("data\\sounds\\dir.wav", nullptr, kWaveFileRead), E_FAIL);
}

}  // namespace
