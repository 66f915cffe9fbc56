#include "platform/media/AudioDecoder.h"

#include <gtest/gtest.h>

#include "audio/WavBuilder.h"

namespace {

using media::detail::AudioDecoder;

std::shared_ptr<const std::vector<uint8_t>> Bytes(const std::string& s) {
    return std::make_shared<const std::vector<uint8_t>>(s.begin(), s.end());
}

std::vector<int16_t> ReadAll(AudioDecoder& decoder) {
    std::vector<int16_t> all;
    std::vector<int16_t> piece(1000 * decoder.Channels());
    while (uint32_t n = decoder.Read(piece.data(), 1000)) all.insert(all.end(), piece.begin(), piece.begin() + n * decoder.Channels());
    return all;
}

TEST(AudioDecoder, SixteenBitSamplesComeOutUnchanged) {
    const std::vector<int16_t> samples = {0, 1, -1, 32767, -32768, 1234, -4321};
    AudioDecoder decoder;
    ASSERT_EQ(decoder.Open(Bytes(wav::Pcm(1, 16, wav::Samples16(samples), 22050))), S_OK);
    EXPECT_EQ(decoder.Channels(), 1);
    EXPECT_EQ(decoder.Frequency(), 22050u);
    EXPECT_EQ(ReadAll(decoder), samples);
    EXPECT_TRUE(decoder.AtEnd());
}

TEST(AudioDecoder, EightBitStereoBecomesSixteenBitStereo) {
    AudioDecoder decoder;
    ASSERT_EQ(decoder.Open(Bytes(wav::Pcm(2, 8, std::string("\x80\xFF\x00\x80", 4)))), S_OK);
    EXPECT_EQ(decoder.Channels(), 2);
    EXPECT_EQ(ReadAll(decoder), (std::vector<int16_t>{0, 32512, -32768, 0}));
}

TEST(AudioDecoder, MoreThanTwoChannelsComeOutAsStereo) {
    AudioDecoder decoder;
    ASSERT_EQ(decoder.Open(Bytes(wav::Pcm(4, 16, wav::Samples16(std::vector<int16_t>(400, 1000))))), S_OK);
    EXPECT_EQ(decoder.Channels(), 2);
    EXPECT_EQ(ReadAll(decoder).size(), 200u);
}

TEST(AudioDecoder, RewindGivesTheSameSamplesAgain) {
    AudioDecoder decoder;
    ASSERT_EQ(decoder.Open(Bytes(wav::Pcm(1, 16, wav::Tone16(30000, 0.5f)))), S_OK);
    EXPECT_NEAR(decoder.Duration(), 30000.0 / 44100.0, 1e-3);
    const std::vector<int16_t> first = ReadAll(decoder);
    ASSERT_EQ(first.size(), 30000u);
    ASSERT_EQ(decoder.Rewind(), S_OK);
    EXPECT_FALSE(decoder.AtEnd());
    EXPECT_EQ(ReadAll(decoder), first);
}

TEST(AudioDecoder, CutDataGivesWhatIsThere) {
    std::string file = wav::Pcm(1, 16, wav::Tone16(1000, 0.5f));
    file.resize(file.size() - 1001);
    AudioDecoder decoder;
    ASSERT_EQ(decoder.Open(Bytes(file)), S_OK);
    const size_t n = ReadAll(decoder).size();
    EXPECT_GT(n, 400u);
    EXPECT_LE(n, 500u);
}

TEST(AudioDecoder, BytesThatAreNoMusicAreRefused) {
    AudioDecoder decoder;
    EXPECT_EQ(decoder.Open(Bytes("")), VFW_E_UNSUPPORTED_STREAM);
    EXPECT_EQ(decoder.Open(Bytes(std::string(5000, '\x5A'))), VFW_E_UNSUPPORTED_STREAM);
    // A playlist naming another file: its container is not among those read.
    EXPECT_EQ(decoder.Open(Bytes("#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n/etc/passwd\n#EXT-X-ENDLIST\n")),
              VFW_E_UNSUPPORTED_STREAM);
    EXPECT_TRUE(decoder.AtEnd());
    int16_t out[8];
    EXPECT_EQ(decoder.Read(out, 4), 0u);
}

TEST(AudioDecoder, MusicWithoutSamplesOrAtAnOddFrequencyCannotBeRendered) {
    AudioDecoder decoder;
    EXPECT_EQ(decoder.Open(Bytes(wav::Pcm(1, 16, ""))), VFW_E_CANNOT_RENDER);
    EXPECT_EQ(decoder.Open(Bytes(wav::Pcm(1, 16, wav::Tone16(1000, 0.5f), 4000))), VFW_E_CANNOT_RENDER);
    EXPECT_EQ(decoder.Open(Bytes(wav::Pcm(1, 16, wav::Tone16(1000, 0.5f), 400000))), VFW_E_CANNOT_RENDER);
}

}  // namespace
