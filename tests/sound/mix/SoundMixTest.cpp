#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "sound/DXSounds.h"
#include "sound/frmDXSounds.h"

// Listens to the game's sound: OpenAL's wave writer stands in for the sound card and writes the
// mix, in real time, to a file that the test reads back afterwards.
namespace {

const int MixRate = 44100;

std::string TempPath(const char* Suffix) {
  return testing::TempDir() + "gloopa_mix_" + std::to_string(getpid()) + Suffix;
}

const std::string MixFile = TempPath(".wav");
const bool WaveWriter = [] {
  const std::string conf = TempPath(".conf");
  std::ofstream(conf) << "[general]\nfrequency=" << MixRate
                      << "\nchannels=stereo\nsample-type=int16\nhrtf=false\n[wave]\nfile="
                      << MixFile << "\n";
  setenv("ALSOFT_DRIVERS", "wave", 1);
  setenv("ALSOFT_CONF", conf.c_str(), 1);
  return true;
}();

// One channel (0 left, 1 right) of the written mix, -1..1.
std::vector<double> ReadMix(const std::string& Path, int Channel = 0) {
  std::ifstream file(Path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
  std::vector<double> samples;
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0) return samples;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    uint32_t size;
    std::memcpy(&size, &bytes[at + 4], 4);
    if (std::memcmp(&bytes[at], "data", 4) == 0) {
      const size_t end = std::min(bytes.size(), at + 8 + size_t(size));
      for (size_t p = at + 8; p + 4 <= end; p += 4) {
        int16_t v;
        std::memcpy(&v, &bytes[p + 2 * size_t(Channel)], 2);
        samples.push_back(v / 32768.0);
      }
      break;
    }
    at += 8 + size_t(size);
  }
  return samples;
}

// Largest step between neighbouring samples of either channel within [From, To) seconds.
double LargestJump(const std::vector<double>& Left, const std::vector<double>& Right, double From,
                   double To) {
  double jump = 0;
  const size_t a = size_t(std::max(0.0, From) * MixRate) + 1,
               b = std::min(Left.size(), size_t(To * MixRate));
  for (size_t i = a; i < b; ++i)
    jump = std::max({jump, std::abs(Left[i] - Left[i - 1]), std::abs(Right[i] - Right[i - 1])});
  return jump;
}

// A PCM format block and 0.4 s of a 1 kHz sine of amplitude 0.5 (RMS 0.354) in every channel.
struct TTone {
  std::vector<uint8_t> Format, Samples;
  TTone(uint16_t Channels, uint16_t Bits) {
    const uint32_t rate = 22050, block = Channels * Bits / 8u;
    auto put16 = [](std::vector<uint8_t>& To, uint32_t V) {
      To.push_back(uint8_t(V));
      To.push_back(uint8_t(V >> 8));
    };
    put16(Format, 1);
    put16(Format, Channels);
    put16(Format, rate & 0xFFFF);
    put16(Format, rate >> 16);
    put16(Format, (rate * block) & 0xFFFF);
    put16(Format, (rate * block) >> 16);
    put16(Format, block);
    put16(Format, Bits);
    for (uint32_t i = 0; i < rate * 4 / 10; ++i) {
      const double v = 0.5 * std::sin(2 * M_PI * 1000.0 * i / rate);
      for (uint16_t c = 0; c < Channels; ++c) {
        if (Bits == 8)
          Samples.push_back(uint8_t(std::lround(128 + 127 * v)));
        else
          put16(Samples, uint16_t(int16_t(std::lround(32767 * v))));
      }
    }
  }
};

double Rms(const std::vector<double>& Mix, double From, double To) {
  const size_t a = size_t(std::max(0.0, From) * MixRate),
               b = std::min(Mix.size(), size_t(To * MixRate));
  double sum = 0;
  for (size_t i = a; i < b; ++i) sum += Mix[i] * Mix[i];
  return b > a ? std::sqrt(sum / double(b - a)) : 0.0;
}

// First sample from From seconds on whose level passes Threshold, in seconds; -1 if none.
double Onset(const std::vector<double>& Mix, double From, double Threshold) {
  for (size_t i = size_t(std::max(0.0, From) * MixRate); i < Mix.size(); ++i)
    if (std::abs(Mix[i]) > Threshold) return double(i) / MixRate;
  return -1;
}

using TClock = std::chrono::steady_clock;
double Seconds(TClock::duration D) {
  return std::chrono::duration<double>(D).count();
}

} // namespace

TEST(SoundMix, CuesAreHeardRestartedNotLayeredAndTheMusicLoops) {
  ASSERT_TRUE(WaveWriter);
  std::remove(MixFile.c_str());
  double tShot, tFirst, tSecond, tIntro, tNearEnd;
  bool introPlaysOn = false;
  int32_t introPosition = -1;
  int shotVoices = 0;
  {
    TFormSounds sounds;
    ASSERT_TRUE(sounds.DXSound1->Initialized()) << "OpenAL's wave writer did not open";
    TWaveCollectionItem* intro = sounds.DXWaveList1->Items().Items(14);
    const auto zero = TClock::now();
    auto sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    sleep(300);
    tShot = Seconds(TClock::now() - zero);
    sounds.PlayerShoot(); // a lone shot: the reference
    sleep(500);
    tFirst = Seconds(TClock::now() - zero);
    sounds.PlayerShoot();
    sleep(100);
    tSecond = Seconds(TClock::now() - zero);
    sounds.PlayerShoot(); // 0.1 s into the first: must cut it off and start again
    shotVoices = sounds.DXWaveList1->Items().Items(0)->CopyCount();
    sleep(500);
    tIntro = Seconds(TClock::now() - zero);
    sounds.Intro();
    sleep(700);
    // Jump to 0.4 s before the end of the 88.75 s piece, then listen past the end.
    const int32_t bytes = intro->Wave.DataSize();
    tNearEnd = Seconds(TClock::now() - zero);
    intro->MainBuffer()->SetPosition(bytes - 22050 * 2 * 4 / 10);
    sleep(900);
    introPlaysOn = intro->MainBuffer()->IsPlaying();
    introPosition = intro->MainBuffer()->Position();
  } // closing the device completes the file
  EXPECT_EQ(shotVoices, 1);
  EXPECT_TRUE(introPlaysOn);
  EXPECT_LT(introPosition, 22050 * 2); // wrapped round to the first second

  const std::vector<double> mix = ReadMix(MixFile);
  ASSERT_GT(mix.size(), size_t(2.5 * MixRate)) << "no mix written to " << MixFile;
  std::remove(MixFile.c_str());

  // The mix clock and ours agree up to the writer's start-up delay, which the lone shot's
  // onset measures; later events are placed with it, within the mixer's update granularity.
  const double shotOnset = Onset(mix, 0, 0.02);
  ASSERT_GE(shotOnset, 0) << "the shot was not heard";
  const double offset = shotOnset - tShot;
  EXPECT_LT(Rms(mix, 0, shotOnset - 0.01), 1e-4) << "sound before the first cue";
  // A busy machine can hold the mixer back a little; allow for it.
  const double slack = 0.09;

  // The restarted shot: from the second onset on, the mix is the lone shot again, sample for
  // sample. Had the first voice gone on underneath, its tail would be added in.
  const double secondOnset = Onset(mix, tFirst + offset - slack, 0.02);
  ASSERT_GT(secondOnset, 0);
  EXPECT_NEAR(secondOnset, tFirst + offset, slack);
  const size_t ref = size_t(shotOnset * MixRate);
  const size_t expect = size_t((secondOnset + (tSecond - tFirst)) * MixRate);
  double best = 1e9, refEnergy = 0;
  const size_t span = size_t(0.2 * MixRate);
  for (size_t k = 0; k < span; ++k) refEnergy += mix[ref + k] * mix[ref + k];
  ASSERT_GT(refEnergy, 0);
  const size_t from =
      std::max(expect - size_t(slack * MixRate), size_t((secondOnset + 0.03) * MixRate));
  for (size_t at = from; at < expect + size_t(slack * MixRate); ++at) {
    double e = 0;
    for (size_t k = 0; k < span && e < best; ++k) {
      const double d = mix[at + k] - mix[ref + k];
      e += d * d;
    }
    best = std::min(best, e);
  }
  EXPECT_LT(best / refEnergy, 0.002) << "the second shot does not restart the clip cleanly";
  // Between the restart and the music the mix falls silent again: one voice, one ending.
  EXPECT_LT(Rms(mix, tSecond + offset + 0.25 + slack, tIntro + offset - slack), 1e-3);

  // The music starts on its cue and keeps sounding.
  EXPECT_NEAR(Onset(mix, tIntro + offset - slack, 0.005), tIntro + offset, slack);
  EXPECT_GT(Rms(mix, tIntro + offset + slack, tNearEnd + offset), 0.01);
  // Past the end of the piece (0.4 s after the jump) it carries on from its beginning.
  EXPECT_GT(Rms(mix, tNearEnd + offset + 0.4 + slack, tNearEnd + offset + 0.85), 0.01);
}

// A mono clip at pan 0 plays at its own level on both sides, as a stereo one does; pan takes
// its hundredths of a decibel off the far side only.
TEST(SoundMix, MonoClipsPlayAtTheirOwnLevelAndPanAttenuatesOnlyTheFarSide) {
  ASSERT_TRUE(WaveWriter);
  std::remove(MixFile.c_str());
  struct Case {
    uint16_t Channels, Bits;
    int32_t Pan;
    double LeftDb, RightDb;
  } cases[] = {{1, 16, 0, 0, 0},     {1, 8, 0, 0, 0},      {2, 16, 0, 0, 0},
               {1, 16, -600, 0, -6}, {1, 8, 1000, -10, 0}, {2, 16, 300, -3, 0}};
  std::vector<double> starts;
  {
    TDirectSound device;
    const auto zero = TClock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    for (const Case& c : cases) {
      const TTone tone(c.Channels, c.Bits);
      TDirectSoundBuffer buffer(&device);
      buffer.LoadFromMemory(tone.Format.data(), int32_t(tone.Format.size()), tone.Samples.data(),
                            int32_t(tone.Samples.size()));
      buffer.SetPan(c.Pan);
      ASSERT_EQ(buffer.Pan(), c.Pan);
      starts.push_back(Seconds(TClock::now() - zero));
      buffer.Play(false);
      std::this_thread::sleep_for(std::chrono::milliseconds(650));
    }
  }
  const std::vector<double> left = ReadMix(MixFile, 0), right = ReadMix(MixFile, 1);
  std::remove(MixFile.c_str());
  ASSERT_GT(left.size(), size_t(3.5 * MixRate)) << "no mix written";
  const double offset = Onset(left, 0, 0.05) - starts[0];
  for (size_t i = 0; i < starts.size(); ++i) {
    const Case& c = cases[i];
    // The loud side starts the tone; measure the middle of it on both sides.
    const double from = starts[i] + offset - 0.1;
    const double onset = std::max(Onset(left, from, 0.05), Onset(right, from, 0.05));
    ASSERT_GT(onset, 0) << "case " << i << " not heard";
    const double expected = 0.5 / std::sqrt(2.0);
    const double l = Rms(left, onset + 0.08, onset + 0.32),
                 r = Rms(right, onset + 0.08, onset + 0.32);
    EXPECT_NEAR(20 * std::log10(l / expected), c.LeftDb, 0.5) << "case " << i << " left";
    EXPECT_NEAR(20 * std::log10(r / expected), c.RightDb, 0.5) << "case " << i << " right";
  }
}

// The contact buzz: a predator on the snake restarts "PodChildDestroyed" every 10 ms frame. The
// clip holds exactly one period of its tone per frame, so restarts that land when asked for
// join up; restarts held back to a longer mixing period would cut the tone off mid-period, a
// click each time.
TEST(SoundMix, RestartingTheContactBuzzEveryFrameJoinsUpWithoutClicks) {
  ASSERT_TRUE(WaveWriter);
  std::remove(MixFile.c_str());
  double tSingle, tBuzz;
  int32_t refresh = 0;
  {
    TFormSounds sounds;
    ASSERT_TRUE(sounds.DXSound1->Initialized());
    refresh = sounds.DXSound1->Device()->MixRefresh();
    const auto zero = TClock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    tSingle = Seconds(TClock::now() - zero);
    sounds.PodChildDestroyed();
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    tBuzz = Seconds(TClock::now() - zero);
    auto next = TClock::now();
    for (int frame = 0; frame < 100; ++frame) {
      sounds.PodChildDestroyed();
      next += std::chrono::milliseconds(10);
      std::this_thread::sleep_until(next);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
  }
  EXPECT_GE(refresh, 100) << "the mixing period is longer than a frame";
  const std::vector<double> left = ReadMix(MixFile, 0), right = ReadMix(MixFile, 1);
  std::remove(MixFile.c_str());
  ASSERT_GT(left.size(), size_t(2.5 * MixRate)) << "no mix written";
  const double single = Onset(left, 0, 0.01);
  ASSERT_GT(single, 0);
  const double buzz = Onset(left, tBuzz - tSingle + single - 0.1, 0.01);
  ASSERT_GT(buzz, single + 0.5);
  const double one = LargestJump(left, right, single, single + 0.62);
  // The restarts stop after one second; the last one plays out with its own release.
  const double restarted = LargestJump(left, right, buzz, buzz + 0.98);
  EXPECT_GT(one, 0.01);
  EXPECT_LE(restarted, 2 * one) << "single play " << one << ", restarted every frame " << restarted;
}

// The player's master volume scales the whole mix through the listener, leaving each clip's own
// level as it was; a pause holds a clip where it is and plays it on from there.
TEST(SoundMix, MasterVolumeScalesTheMixAndPauseHoldsAClip) {
  ASSERT_TRUE(WaveWriter);
  std::remove(MixFile.c_str());
  const struct {
    float Gain;
    double Db;
  } levels[] = {{1.0f, 0}, {0.5f, -6.02}, {0.1f, -20}};
  std::vector<double> starts;
  double pausedAt = 0, resumedAt = 0;
  {
    TDirectSound device;
    const auto zero = TClock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const TTone tone(1, 16);
    TDirectSoundBuffer buffer(&device);
    buffer.LoadFromMemory(tone.Format.data(), int32_t(tone.Format.size()), tone.Samples.data(),
                          int32_t(tone.Samples.size()));
    for (const auto& level : levels) {
      device.SetMasterGain(level.Gain);
      starts.push_back(Seconds(TClock::now() - zero));
      buffer.SetPosition(0);
      buffer.Play(false);
      std::this_thread::sleep_for(std::chrono::milliseconds(650));
      EXPECT_EQ(buffer.Volume(), 0) << "the clip's own level changed";
    }
    device.SetMasterGain(1);
    buffer.SetPosition(0);
    buffer.Play(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    device.PauseVoices();
    pausedAt = Seconds(TClock::now() - zero);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    device.ResumeVoices();
    resumedAt = Seconds(TClock::now() - zero);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  const std::vector<double> mix = ReadMix(MixFile);
  std::remove(MixFile.c_str());
  ASSERT_GT(mix.size(), size_t(3.0 * MixRate)) << "no mix written";
  const double offset = Onset(mix, 0, 0.01) - starts[0];
  const double expected = 0.5 / std::sqrt(2.0);
  for (size_t i = 0; i < starts.size(); ++i) {
    const double onset = Onset(mix, starts[i] + offset - 0.1, 0.01);
    ASSERT_GT(onset, 0) << "level " << i << " not heard";
    EXPECT_NEAR(20 * std::log10(Rms(mix, onset + 0.08, onset + 0.32) / expected), levels[i].Db, 0.5)
        << "level " << i;
  }
  // Silent while paused; then the rest of the 0.4 s tone, about 0.25 s of it.
  EXPECT_LT(Rms(mix, pausedAt + offset + 0.1, resumedAt + offset - 0.05), 0.01);
  const double back = Onset(mix, resumedAt + offset - 0.05, 0.05);
  ASSERT_GT(back, 0) << "the paused clip did not play on";
  EXPECT_GT(Rms(mix, back + 0.02, back + 0.15), 0.8 * expected);
  EXPECT_LT(Rms(mix, back + 0.35, back + 0.5), 0.01) << "the clip started again from the top";
}
