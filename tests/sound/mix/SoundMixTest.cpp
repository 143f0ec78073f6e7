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

// The left channel of the written mix, -1..1.
std::vector<double> ReadMix(const std::string& Path) {
  std::ifstream file(Path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
  std::vector<double> left;
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0) return left;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    uint32_t size;
    std::memcpy(&size, &bytes[at + 4], 4);
    if (std::memcmp(&bytes[at], "data", 4) == 0) {
      const size_t end = std::min(bytes.size(), at + 8 + size_t(size));
      for (size_t p = at + 8; p + 4 <= end; p += 4) {
        int16_t v;
        std::memcpy(&v, &bytes[p], 2);
        left.push_back(v / 32768.0);
      }
      break;
    }
    at += 8 + size_t(size);
  }
  return left;
}

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
