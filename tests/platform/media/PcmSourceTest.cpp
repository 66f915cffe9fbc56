#include "platform/media/PcmSource.h"

#include <gtest/gtest.h>

#include "audio/WavBuilder.h"
#include "platform/media/AudioDecoder.h"
#include "platform/media/Media.h"
#include "platform/sound/SoundTestUtil.h"

namespace {

using media::detail::AudioDecoder;
using media::detail::PcmSource;
using media::detail::SampleSource;

// A PCM format; 22050 Hz unless given.
snd::WaveFormat Format(uint16_t channels, uint16_t bits, uint32_t rate = 22050, uint16_t tag = snd::kFormatPcm) {
    return soundtest::Format(tag, channels, bits, rate);
}

std::vector<int16_t> ReadAll(SampleSource& source) {
    std::vector<int16_t> all;
    std::vector<int16_t> piece(700 * source.Channels());
    while (uint32_t n = source.Read(piece.data(), 700))
        all.insert(all.end(), piece.begin(), piece.begin() + n * source.Channels());
    return all;
}

// Bytes of every value, so that each sample conversion is compared.
std::string Ramp(size_t bytes) {
    std::string s(bytes, '\0');
    for (size_t i = 0; i < bytes; ++i) s[i] = static_cast<char>((i * 37 + i / 256) & 0xFF);
    return s;
}

TEST(PcmSource, GivesWhatTheDecoderGivesForTheSameFile) {
    for (uint16_t channels : {1, 2})
        for (uint16_t bits : {8, 16}) {
            SCOPED_TRACE(testing::Message() << channels << " channels, " << bits << " bits");
            const std::string data = Ramp(size_t(channels) * bits / 8 * 5003);
            AudioDecoder decoder;
            ASSERT_EQ(decoder.Open(std::make_shared<const std::vector<uint8_t>>(
                          wav::Bytes(wav::Pcm(channels, bits, data, 22050)))),
                      S_OK);
            PcmSource pcm;
            ASSERT_EQ(pcm.Open(Format(channels, bits), wav::Bytes(data)), S_OK);
            EXPECT_EQ(pcm.Channels(), decoder.Channels());
            EXPECT_EQ(pcm.Frequency(), decoder.Frequency());
            EXPECT_DOUBLE_EQ(pcm.Duration(), decoder.Duration());
            const std::vector<int16_t> samples = ReadAll(pcm);
            EXPECT_EQ(samples, ReadAll(decoder));
            EXPECT_TRUE(pcm.AtEnd());
            ASSERT_EQ(pcm.Rewind(), S_OK);
            EXPECT_FALSE(pcm.AtEnd());
            EXPECT_EQ(ReadAll(pcm), samples);
        }
}

TEST(PcmSource, DropsAPartialLastFrameAndRefusesOtherLayouts) {
    PcmSource pcm;
    ASSERT_EQ(pcm.Open(Format(2, 16), std::vector<uint8_t>(4 * 10 + 3, 0)), S_OK);
    EXPECT_EQ(ReadAll(pcm).size(), 20u);

    snd::WaveFormat misaligned = Format(2, 16);
    misaligned.blockAlign = 6;
    for (const snd::WaveFormat& f : {Format(1, 32, 22050, 3), Format(1, 24), Format(3, 16), Format(1, 16, 7999),
                                     Format(1, 16, 192001), Format(0, 16), misaligned}) {
        PcmSource refused;
        EXPECT_EQ(refused.Open(f, std::vector<uint8_t>(1200, 0)), VFW_E_CANNOT_RENDER)
            << f.formatTag << " " << f.channels << " " << f.bitsPerSample << " " << f.samplesPerSec;
    }
    PcmSource empty;
    EXPECT_EQ(empty.Open(Format(2, 16), std::vector<uint8_t>(3, 0)), VFW_E_CANNOT_RENDER);
}

class PcmMusic : public soundtest::LoopbackTest {};

TEST_F(PcmMusic, PlaysToItsEndAndAgainAfterRewind) {
    std::unique_ptr<media::Music> music;
    EXPECT_EQ(media::Music::OpenPcm(device.get(), Format(1, 16, 22050, 2), wav::Bytes("xx"), &music),
              VFW_E_CANNOT_RENDER);
    EXPECT_EQ(music, nullptr);
    ASSERT_EQ(media::Music::OpenPcm(device.get(), Format(1, 16, soundtest::kRate),
                                    wav::Bytes(wav::Tone16(soundtest::kRate / 4, 0.25f)), &music),
              S_OK);
    EXPECT_NEAR(music->Duration(), 0.25, 1e-6);
    ASSERT_EQ(music->Play(), S_OK);
    EXPECT_GT(soundtest::Render(*device, 4410).Level(), 0.1);
    soundtest::Render(*device, soundtest::kRate / 4);
    EXPECT_TRUE(music->IsFinished());
    ASSERT_EQ(music->Rewind(), S_OK);
    EXPECT_GT(soundtest::Render(*device, 4410).Level(), 0.1);
}

}  // namespace
