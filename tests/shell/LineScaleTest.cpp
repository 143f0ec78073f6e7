// Lines and points to the picture's scale: a kept demo's frame drawn at twice the game's size
// against the same frame at the game's size with every pixel doubled.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "shell/DemoReplay.h"

namespace {

// A busy frame of a kept demo: the snake, predators and their streaks and points.
constexpr const char* Demo = "long.demo";
constexpr int64_t Step = 480;

TReplayed ReplayAt(int32_t Width, bool LineScale, bool Immediate = false) {
  TReplay how;
  how.Immediate = Immediate;
  how.Sampled = {Step};
  how.Drawn = [](int64_t) { return false; };
  how.Width = Width;
  how.LineScale = LineScale;
  return Replay(Demo, how);
}

// The mean absolute difference of the channels of a 2048 x 1536 frame from a 1024 x 768 one
// with every pixel doubled.
double DifferenceFromDoubled(const std::vector<uint8_t>& Large, const std::vector<uint8_t>& Small) {
  uint64_t sum = 0;
  for (size_t y = 0; y < 1536; ++y)
    for (size_t x = 0; x < 2048; ++x)
      for (size_t c = 0; c < 3; ++c)
        sum += uint64_t(std::abs(int(Large[(y * 2048 + x) * 3 + c]) -
                                 int(Small[((y / 2) * 1024 + x / 2) * 3 + c])));
  return double(sum) / double(Large.size());
}

// Pixels with any channel brighter than a faint glow.
int64_t Lit(const std::vector<uint8_t>& Frame) {
  int64_t lit = 0;
  for (size_t i = 0; i < Frame.size(); i += 3)
    lit += Frame[i] > 48 || Frame[i + 1] > 48 || Frame[i + 2] > 48 ? 1 : 0;
  return lit;
}

} // namespace

TEST(LineScale, AFrameTwiceTheSizeKeepsItsLookAndTheGamesOwnSizeIsUntouched) {
  const TReplayed small = ReplayAt(1024, false), smallScaled = ReplayAt(1024, true);
  const TReplayed large = ReplayAt(2048, false), largeScaled = ReplayAt(2048, true);
  ASSERT_EQ(small.Frames.count(Step), 1u);
  ASSERT_EQ(largeScaled.Frames.count(Step), 1u);
  const std::vector<uint8_t>& reference = small.Frames.at(Step);
  EXPECT_TRUE(SameFrame(smallScaled.Frames.at(Step), reference));
  EXPECT_EQ(largeScaled.Dump, small.Dump) << "the picture's size changes nothing of the game";
  // The particle batcher still sets each width it needs, and still draws its streaks and points
  // over the tiles they touch, now that they are wider.
  EXPECT_TRUE(SameFrame(ReplayAt(2048, true, true).Frames.at(Step), largeScaled.Frames.at(Step)));

  const double unscaled = DifferenceFromDoubled(large.Frames.at(Step), reference);
  const double scaled = DifferenceFromDoubled(largeScaled.Frames.at(Step), reference);
  const int64_t litDoubled = 4 * Lit(reference), litUnscaled = Lit(large.Frames.at(Step)),
                litScaled = Lit(largeScaled.Frames.at(Step));
  std::printf("%s step %lld against the 1024 x 768 frame doubled: mean absolute difference "
              "%.3f unscaled, %.3f scaled; lit pixels %lld doubled, %lld unscaled, %lld scaled\n",
              Demo, static_cast<long long>(Step), unscaled, scaled,
              static_cast<long long>(litDoubled), static_cast<long long>(litUnscaled),
              static_cast<long long>(litScaled));
  RecordProperty("DifferenceUnscaled", std::to_string(unscaled));
  RecordProperty("DifferenceScaled", std::to_string(scaled));
  EXPECT_LT(scaled, unscaled / 2);
  EXPECT_NEAR(double(litScaled), double(litDoubled), double(litDoubled) / 20);
  EXPECT_LT(litUnscaled, litDoubled * 3 / 4);
}
