#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/LittleEndian.h"
#include "sound/frmDXSounds.h"

namespace {

// Sample I of channel 0 as -1..1.
double SampleAt(const uint8_t* Data, int Bits, int Channels, size_t I) {
  if (Bits == 8) return (Data[I * size_t(Channels)] - 128) / 128.0;
  return int16_t(ReadLE16(Data + I * size_t(Channels) * 2)) / 32768.0;
}

} // namespace

// The bank's table: name, looped, channels, rate, bits, sample bytes.
TEST(ClipBank, EveryBuiltInImageHasTheTablesFormatAndSize) {
  const struct {
    const char* Name;
    bool Looped;
    int Channels, Rate, Bits;
    uint32_t Bytes;
  } table[15] = {
      {"PlayerShoot", false, 2, 44100, 16, 44100},
      {"GruntHit", false, 2, 44100, 16, 100768},
      {"BoidHit", false, 1, 22050, 8, 4998},
      {"SnakeHit", false, 1, 22050, 8, 5460},
      {"SnakeDestroyed", false, 1, 22050, 8, 49872},
      {"GravitarHit", false, 1, 22050, 8, 12850},
      {"GravitarDestroyed", false, 1, 22050, 8, 27084},
      {"PodHit", false, 2, 44100, 16, 441000},
      {"PodDestroyed", false, 1, 22050, 8, 23546},
      {"PodChildHit", false, 1, 22050, 8, 4040},
      {"PodChildDestroyed", false, 2, 22050, 16, 54732},
      {"PlayerHit", false, 2, 44100, 16, 321928},
      {"BonusReverb", false, 2, 44100, 16, 427492},
      {"GravitarSpawned", false, 1, 22050, 8, 49549},
      {"Intro", true, 1, 22050, 16, 3913876},
  };
  for (int i = 0; i < 15; ++i) {
    const auto& want = table[i];
    SCOPED_TRACE(want.Name);
    const TStoredClip& clip = TFormSounds::StoredClip(i);
    EXPECT_STREQ(clip.Name, want.Name);
    EXPECT_EQ(clip.Looped, want.Looped);
    // Exactly: a 12-byte header, one 16-byte "fmt " chunk, one "data" chunk, nothing after.
    ASSERT_EQ(clip.ImageSize, 12 + 8 + 16 + 8 + size_t(want.Bytes));
    const uint8_t* p = clip.Image;
    EXPECT_EQ(std::memcmp(p, "RIFF", 4), 0);
    EXPECT_EQ(ReadLE32(p + 4), clip.ImageSize - 8);
    EXPECT_EQ(std::memcmp(p + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(ReadLE32(p + 16), 16u);
    EXPECT_EQ(ReadLE16(p + 20), 1); // PCM
    EXPECT_EQ(ReadLE16(p + 22), want.Channels);
    EXPECT_EQ(ReadLE32(p + 24), uint32_t(want.Rate));
    const int block = want.Channels * want.Bits / 8;
    EXPECT_EQ(ReadLE32(p + 28), uint32_t(want.Rate * block));
    EXPECT_EQ(ReadLE16(p + 32), block);
    EXPECT_EQ(ReadLE16(p + 34), want.Bits);
    EXPECT_EQ(std::memcmp(p + 36, "data", 4), 0);
    EXPECT_EQ(ReadLE32(p + 40), want.Bytes);

    // Real sound that starts and ends at silence: loud somewhere, quiet at both ends.
    const uint8_t* data = p + 44;
    const size_t frames = want.Bytes / size_t(block);
    double peak = 0;
    for (size_t f = 0; f < frames; ++f)
      peak = std::max(peak, std::abs(SampleAt(data, want.Bits, want.Channels, f)));
    EXPECT_GT(peak, 0.5);
    if (!want.Looped) {
      EXPECT_LT(std::abs(SampleAt(data, want.Bits, want.Channels, 0)), 0.01);
      EXPECT_LT(std::abs(SampleAt(data, want.Bits, want.Channels, frames - 1)), 0.01);
    }
  }
}

TEST(ClipBank, TheMusicLoopsWithoutASeam) {
  const TStoredClip& intro = TFormSounds::StoredClip(14);
  const uint8_t* data = intro.Image + 44;
  const size_t frames = (intro.ImageSize - 44) / 2;
  // Across the seam the wave moves no more than it typically does between neighbours.
  double sum = 0;
  for (size_t f = 1; f < frames; ++f)
    sum += std::abs(SampleAt(data, 16, 1, f) - SampleAt(data, 16, 1, f - 1));
  const double typical = sum / double(frames - 1);
  const double seam = std::abs(SampleAt(data, 16, 1, 0) - SampleAt(data, 16, 1, frames - 1));
  EXPECT_LT(seam, 2 * typical);
  // And the first play starts from near silence.
  EXPECT_LT(std::abs(SampleAt(data, 16, 1, 0)), 0.01);
}
