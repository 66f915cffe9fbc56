#include "platform/sound/PcmConvert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/sound/AlHandles.h"
#include "platform/sound/SoundTestUtil.h"

namespace {

using namespace soundtest;
using snd::detail::AlSamples;
using snd::detail::ConvertForAl;
using snd::detail::DescribeFormat;
using snd::detail::PcmLayout;
using snd::detail::SampleType;

PcmLayout Layout(const snd::WaveFormat& f) {
    PcmLayout layout;
    EXPECT_TRUE(DescribeFormat(f, &layout));
    return layout;
}

int16_t S16At(const AlSamples& s, size_t i) {
    return static_cast<int16_t>(s.bytes[2 * i] | s.bytes[2 * i + 1] << 8);
}

TEST(PcmFormats, PlainAndExtensibleFormatsAreDescribed) {
    EXPECT_EQ(Layout(Format(snd::kFormatPcm, 1, 8)).type, SampleType::Unsigned8);
    EXPECT_EQ(Layout(Format(snd::kFormatPcm, 2, 16)).frameBytes, 4u);
    EXPECT_EQ(Layout(Format(snd::kFormatFloat, 2, 32)).type, SampleType::Float32);
    EXPECT_EQ(Layout(Extensible(snd::kFormatFloat, 1, 32)).type, SampleType::Float32);
    PcmLayout ext = Layout(Extensible(snd::kFormatPcm, 2, 8));
    EXPECT_EQ(ext.type, SampleType::Unsigned8);
    EXPECT_EQ(ext.channels, 2u);
}

TEST(PcmFormats, OtherFormatsAreNotDescribed) {
    PcmLayout layout;
    EXPECT_FALSE(DescribeFormat(Format(snd::kFormatPcm, 1, 24), &layout));
    EXPECT_FALSE(DescribeFormat(Format(snd::kFormatFloat, 1, 64), &layout));
    EXPECT_FALSE(DescribeFormat(Format(snd::kFormatPcm, 0, 16), &layout));
    EXPECT_FALSE(DescribeFormat(Format(snd::kFormatPcm, 6, 16), &layout));
    EXPECT_FALSE(DescribeFormat(Format(snd::kFormatPcm, 1, 16, 99), &layout));
    EXPECT_FALSE(DescribeFormat(Format(snd::kFormatPcm, 1, 16, 200001), &layout));
    snd::WaveFormat ext = Extensible(snd::kFormatPcm, 1, 16);
    ext.extra[10] = 0x01;  // a sub-format that is not the standard family
    EXPECT_FALSE(DescribeFormat(ext, &layout));
    ext = Extensible(2, 1, 16);
    EXPECT_FALSE(DescribeFormat(ext, &layout));
    ext = Extensible(snd::kFormatPcm, 1, 16);
    ext.extra.resize(21);
    EXPECT_FALSE(DescribeFormat(ext, &layout));
}

TEST(PcmConversion, StereoIsMixedDownToMonoWhenAsked) {
    const uint8_t u8[4] = {200, 100, 0, 255};
    AlSamples mono = ConvertForAl(Layout(Format(snd::kFormatPcm, 2, 8)), u8, 4, true);
    EXPECT_EQ(mono.alFormat, AL_FORMAT_MONO8);
    ASSERT_EQ(mono.bytes.size(), 2u);
    EXPECT_EQ(mono.bytes[0], 150);
    EXPECT_EQ(mono.bytes[1], 127);

    const int16_t s16[4] = {1000, -3000, -32768, -32768};
    AlSamples m16 = ConvertForAl(Layout(Pcm16(2)), reinterpret_cast<const uint8_t*>(s16), 8, true);
    EXPECT_EQ(m16.alFormat, AL_FORMAT_MONO16);
    EXPECT_EQ(S16At(m16, 0), -1000);
    EXPECT_EQ(S16At(m16, 1), -32768);

    AlSamples kept = ConvertForAl(Layout(Pcm16(2)), reinterpret_cast<const uint8_t*>(s16), 8, false);
    EXPECT_EQ(kept.alFormat, AL_FORMAT_STEREO16);
    EXPECT_EQ(kept.frames, 2u);
    EXPECT_EQ(S16At(kept, 1), -3000);
}

TEST(PcmConversion, FloatsBecome16BitClampedWithNaNAsSilence) {
    const float f[4] = {0.5f, -2.0f, 3.0f, std::nanf("")};
    AlSamples s = ConvertForAl(Layout(Format(snd::kFormatFloat, 1, 32)), reinterpret_cast<const uint8_t*>(f), 16, false);
    EXPECT_EQ(s.alFormat, AL_FORMAT_MONO16);
    ASSERT_EQ(s.frames, 4u);
    EXPECT_EQ(S16At(s, 0), 16384);
    EXPECT_EQ(S16At(s, 1), -32767);
    EXPECT_EQ(S16At(s, 2), 32767);
    EXPECT_EQ(S16At(s, 3), 0);
}

TEST(PcmConversion, OnlyWholeFramesAreKept) {
    const uint8_t bytes[7] = {1, 2, 3, 4, 5, 6, 7};
    AlSamples s = ConvertForAl(Layout(Pcm16(2)), bytes, 7, false);
    EXPECT_EQ(s.frames, 1u);
    EXPECT_EQ(s.bytes.size(), 4u);
    EXPECT_EQ(ConvertForAl(Layout(Pcm16(2)), bytes, 3, false).frames, 0u);
}

}  // namespace
