#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "sound/DXSounds.h"
#include "sound/frmDXSounds.h"

// This executable runs with no usable OpenAL output at all, as on a machine without a sound
// device: the bank must load, stay silent, and never complain.
namespace {
const bool NoOutput = [] {
  setenv("ALSOFT_DRIVERS", "gloopa-no-such-driver", 1);
  setenv("ALSOFT_CONF", "/dev/null", 1);
  return true;
}();
} // namespace

TEST(NoSoundDevice, OpeningTheDeviceIsRefusedWithTheGamesText) {
  ASSERT_TRUE(NoOutput);
  try {
    TDirectSound device;
    FAIL() << "a device opened";
  } catch (const EDirectSoundError& e) {
    EXPECT_STREQ(e.what(), "DirectSound cannot be initialized");
  }
}

TEST(NoSoundDevice, TheBankLoadsSilentAndEveryCueReturnsAtOnce) {
  TFormSounds sounds;
  EXPECT_FALSE(sounds.DXSound1->Initialized());
  EXPECT_EQ(sounds.DXSound1->Device(), nullptr);
  TWaveCollection& items = sounds.DXWaveList1->Items();
  ASSERT_EQ(items.Count(), 15);
  for (int i = 0; i < 15; ++i) {
    EXPECT_FALSE(items.Items(i)->Initialized());
    EXPECT_GT(items.Items(i)->Wave.DataSize(), 0); // the clips are read all the same
  }
  void (TFormSounds::*const cues[7])() = {
      &TFormSounds::Intro,       &TFormSounds::PlayerShoot,
      &TFormSounds::BonusReverb, &TFormSounds::PodChildDestroyed,
      &TFormSounds::GruntHit,    &TFormSounds::PodHit,
      &TFormSounds::PlayerHit};
  const auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < 100; ++round)
    for (auto cue : cues) (sounds.*cue)();
  const auto spent = std::chrono::steady_clock::now() - start;
  EXPECT_LT(spent, std::chrono::milliseconds(50)); // 700 cues: no device work, no waiting
  for (int c = 0; c < 7; ++c) EXPECT_EQ(sounds.CueCounts[c], 100);
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(items.Items(i)->MainBuffer(), nullptr);
    EXPECT_EQ(items.Items(i)->CopyCount(), 0);
  }
}
