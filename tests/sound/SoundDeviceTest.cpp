#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <thread>

#include "RiffImage.h"
#include "platform/Platform.h"
#include "sound/ALDevice.h"
#include "sound/DXSounds.h"
#include "sound/frmDXSounds.h"

// This executable runs against OpenAL's null output: a real mixer that keeps time but sends the
// result nowhere. OpenAL reads its settings once per process, before the first device.
namespace {
const bool NullOutput = [] {
  setenv("ALSOFT_DRIVERS", "null", 1);
  setenv("ALSOFT_CONF", "/dev/null", 1);
  return true;
}();

// A form to own device components in the tests.
class TTestForm : public TComponent {
public:
  TTestForm() : TComponent(nullptr) {}
  bool IsForm() const override { return true; }
};

// A 1-second 8-bit mono clip of a quiet ramp.
TWave MakeWave(uint32_t Bytes = 22050, uint16_t Channels = 1, uint16_t Bits = 8) {
  TRiffImage image;
  image.Header().Fmt(Channels, 22050, Bits).Data(Bytes, 0x70);
  TMemoryReadStream stream(image.Bytes.data(), int64_t(image.Bytes.size()));
  TWave wave;
  wave.LoadFromStream(stream);
  return wave;
}

template <class E, class F> std::string ErrorOf(F&& Call) {
  try {
    Call();
  } catch (const E& e) {
    return e.what();
  }
  return "";
}

} // namespace

TEST(LoadProc, FindsEntryPointsOnceAndNamesTheMissingLibrary) {
  ASSERT_TRUE(NullOutput);
  void* a = LoadProc(SoundLibraryName, "alcOpenDevice");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(LoadProc("LIBOPENAL.so.1", "alcOpenDevice"), a); // the cache is case-blind by name
  EXPECT_EQ(ErrorOf<std::runtime_error>([] { LoadProc("libgloopa-missing.so.9", "x"); }),
            "libgloopa-missing.so.9 not loaded");
  EXPECT_EQ(ErrorOf<std::runtime_error>([] { LoadProc(SoundLibraryName, "alNoSuchCall"); }),
            "libopenal.so.1 not loaded");
}

TEST(ALDevice, NamesTheGamesSettingsOnlyWhenThePlayerNamedNone) {
  const std::string before = std::getenv("ALSOFT_CONF");
  unsetenv("ALSOFT_CONF");
  TALDevice::UseGameSettings();
  ASSERT_NE(std::getenv("ALSOFT_CONF"), nullptr);
  EXPECT_EQ(std::string(std::getenv("ALSOFT_CONF")), GameFolder("alsoft.conf") + "alsoft.conf");
  setenv("ALSOFT_CONF", "/home/player/own.conf", 1);
  TALDevice::UseGameSettings();
  EXPECT_STREQ(std::getenv("ALSOFT_CONF"), "/home/player/own.conf");
  setenv("ALSOFT_CONF", before.c_str(), 1);
}

TEST(SoundBuffer, LoadsAClipAndRefusesBadFormats) {
  TDirectSound device;
  const TWave wave = MakeWave(1000);
  TDirectSoundBuffer buffer(&device);
  buffer.LoadFromWave(wave);
  ASSERT_NE(buffer.Interface(), nullptr);
  EXPECT_EQ(buffer.Caps().dwSize, 20u);
  EXPECT_EQ(buffer.Caps().dwBufferBytes, 1000u);
  EXPECT_EQ(buffer.Caps().dwFlags & 0xE0u, 0xE0u);
  ASSERT_EQ(buffer.BufferFormatSize(), 16);
  EXPECT_EQ(std::memcmp(buffer.BufferFormat().data(), wave.Format(), 16), 0);
  EXPECT_EQ(buffer.Frequency(), 22050);

  // Broken format blocks and sizes: no buffer, and the game's text.
  uint8_t format[16];
  std::memcpy(format, wave.Format(), 16);
  struct TCase {
    const char* What;
    int Offset;
    uint8_t Value;
    int32_t FormatSize, Size;
  };
  const TCase cases[] = {{"not PCM", 0, 3, 16, 100},   {"5 channels", 2, 5, 16, 100},
                         {"12 bits", 14, 12, 16, 100}, {"short block", 0, 1, 10, 100},
                         {"no samples", 0, 1, 16, 0},  {"block align wrong", 12, 3, 16, 100}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    uint8_t bad[16];
    std::memcpy(bad, format, 16);
    bad[c.Offset] = c.Value;
    TDirectSoundBuffer b(&device);
    EXPECT_EQ(ErrorOf<EDirectSoundBufferError>(
                  [&] { b.LoadFromMemory(bad, c.FormatSize, nullptr, c.Size); }),
              "Sound Buffer cannot be made");
    EXPECT_EQ(b.Interface(), nullptr);
  }
}

TEST(SoundBuffer, OneLockAtATimeWithRegionsWrappingRound) {
  TDirectSound device;
  TDirectSoundBuffer buffer(&device);
  buffer.LoadFromWave(MakeWave(1000));
  void *r1, *r2, *s1, *s2;
  int32_t n1, n2, m1, m2;
  ASSERT_TRUE(buffer.Lock(900, 300, r1, n1, r2, n2));
  EXPECT_EQ(n1, 100);
  EXPECT_EQ(n2, 200);
  ASSERT_NE(r2, nullptr);
  EXPECT_EQ(static_cast<uint8_t*>(r2) + 900, static_cast<uint8_t*>(r1));
  // The clip's own bytes are what a lock hands out.
  EXPECT_EQ(static_cast<uint8_t*>(r2)[0], 0x70);
  EXPECT_FALSE(buffer.Lock(0, 10, s1, m1, s2, m2));
  EXPECT_EQ(buffer.LockCount(), 1);
  buffer.Unlock();
  EXPECT_EQ(buffer.LockCount(), 0);
  EXPECT_TRUE(buffer.Lock(0, 10, s1, m1, s2, m2));
  EXPECT_EQ(s2, nullptr);
  buffer.Unlock();
  // Out of range: refused with a result, not a crash.
  EXPECT_FALSE(buffer.Lock(1000, 1, s1, m1, s2, m2));
  EXPECT_EQ(buffer.DXResult(), DSERR_INVALIDPARAM);
  EXPECT_FALSE(buffer.Lock(0, 1001, s1, m1, s2, m2));
}

TEST(SoundBuffer, WithoutAnInterfaceNothingButErrors) {
  TDirectSound device;
  TDirectSoundBuffer empty(&device), target(&device);
  target.LoadFromWave(MakeWave(500));
  ASSERT_NE(target.Interface(), nullptr);
  target.Assign(&empty); // duplicating nothing leaves the target with nothing
  EXPECT_EQ(target.Interface(), nullptr);
  void *r1, *r2;
  int32_t n1, n2;
  EXPECT_FALSE(empty.Lock(0, 1, r1, n1, r2, n2));
  const std::function<void()> calls[] = {[&] { empty.Play(false); },     [&] { empty.Stop(); },
                                         [&] { empty.SetPosition(0); },  [&] { empty.IsPlaying(); },
                                         [&] { empty.SetFrequency(0); }, [&] { empty.SetPan(0); },
                                         [&] { empty.SetVolume(0); }};
  for (const auto& call : calls)
    EXPECT_EQ(ErrorOf<EDirectSoundBufferError>(call), "IDirectSoundBuffer not made");
}

TEST(SoundBuffer, PlaysStopsInPlaceRewindsLoopsAndSharesSamples) {
  TDirectSound device;
  TDirectSoundBuffer buffer(&device), copy(&device);
  buffer.LoadFromWave(MakeWave(22050));
  copy.Assign(&buffer);
  ASSERT_NE(copy.Interface(), nullptr);
  EXPECT_EQ(copy.Caps().dwBufferBytes, 22050u);

  EXPECT_FALSE(buffer.IsPlaying());
  buffer.Play(false);
  EXPECT_TRUE(buffer.IsPlaying());
  EXPECT_EQ(buffer.Status(), DSBSTATUS_PLAYING);
  EXPECT_FALSE(copy.IsPlaying()); // voices are independent
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  buffer.Stop();
  EXPECT_FALSE(buffer.IsPlaying());
  const int32_t stoppedAt = buffer.Position();
  EXPECT_GT(stoppedAt, 1000); // about 0.12 s of a 22050-byte-per-second clip
  EXPECT_LT(stoppedAt, 15000);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(buffer.Position(), stoppedAt); // stopped means held in place
  buffer.SetPosition(0);
  EXPECT_EQ(buffer.Position(), 0);

  buffer.Play(true);
  EXPECT_EQ(buffer.Status(), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  buffer.SetPosition(22000); // 50 bytes before the end: a loop goes on past it
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  EXPECT_TRUE(buffer.IsPlaying());
  EXPECT_LT(buffer.Position(), 10000);
  buffer.Stop();

  copy.Play(false);
  copy.SetPosition(21900); // the last few milliseconds: a single play ends by itself
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  EXPECT_FALSE(copy.IsPlaying());
}

TEST(SoundBuffer, ControlsTakeTheirRangesAndRefuseTheRest) {
  TDirectSound device;
  TDirectSoundBuffer buffer(&device);
  buffer.LoadFromWave(MakeWave(1000));
  const struct {
    std::function<void()> Call;
    int32_t Result;
  } cases[] = {
      {[&] { buffer.SetFrequency(0); }, DS_OK},
      {[&] { buffer.SetFrequency(44100); }, DS_OK},
      {[&] { buffer.SetFrequency(99); }, DSERR_INVALIDPARAM},
      {[&] { buffer.SetFrequency(100001); }, DSERR_INVALIDPARAM},
      {[&] { buffer.SetPan(-10000); }, DS_OK},
      {[&] { buffer.SetPan(10001); }, DSERR_INVALIDPARAM},
      {[&] { buffer.SetVolume(0); }, DS_OK},
      {[&] { buffer.SetVolume(-10000); }, DS_OK},
      {[&] { buffer.SetVolume(1); }, DSERR_INVALIDPARAM},
      {[&] { buffer.SetPosition(1000); }, DSERR_INVALIDPARAM},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    cases[i].Call();
    EXPECT_EQ(buffer.DXResult(), cases[i].Result);
  }
  buffer.SetFrequency(11025);
  EXPECT_EQ(buffer.Frequency(), 11025);
  buffer.SetFrequency(0);
  EXPECT_EQ(buffer.Frequency(), 22050); // 0 is the clip's own rate
}

TEST(DXSoundComponent, NeedsAFormAndTellsListenersInOrder) {
  TDXSound orphan(nullptr);
  EXPECT_EQ(ErrorOf<EDXSoundError>([&] { orphan.Initialize(); }), "Form not found");
  EXPECT_FALSE(orphan.Initialized());

  TTestForm form;
  std::vector<std::string> log;
  {
    TDXSound sound(&form);
    int a = 0, b = 0;
    sound.RegisterListener(
        [&](TCustomDXSound*, TDXSoundNotifyType t) { log.push_back("a" + std::to_string(t)); }, &a);
    sound.OnInitialize = [&](TCustomDXSound*) { log.push_back("OnInitialize"); };
    sound.OnFinalize = [&](TCustomDXSound*) { log.push_back("OnFinalize"); };
    sound.Loaded();
    ASSERT_TRUE(sound.Initialized());
    ASSERT_NE(sound.PrimaryBuffer(), nullptr);
    EXPECT_EQ(sound.PrimaryBuffer()->Caps().dwFlags, DSBCAPS_PRIMARYBUFFER);
    // Joining an initialised component: told "initialized" then "restored" at once.
    sound.RegisterListener(
        [&](TCustomDXSound*, TDXSoundNotifyType t) { log.push_back("b" + std::to_string(t)); }, &b);
    sound.UnregisterListener(&b); // leaving it: told "finalizing"
    sound.RegisterListener(
        [&](TCustomDXSound*, TDXSoundNotifyType t) { log.push_back("b" + std::to_string(t)); }, &b);
  }
  const std::vector<std::string> expected = {
      "a1",         "a2", "OnInitialize", "a4",        // Initialize
      "b2",         "b4", "b3",                        // late listener joins and leaves
      "b2",         "b4",                              // and joins again
      "OnFinalize", "a3", "b3",           "b0", "a0"}; // destruction: finalize, then last first
  EXPECT_EQ(log, expected);
}

TEST(DXSoundComponent, ExclusiveCannotChangeOnceInitialized) {
  TTestForm form;
  TDXSound sound(&form);
  sound.Loaded();
  ASSERT_TRUE(sound.Initialized());
  EXPECT_EQ(sound.Device()->CooperativeLevel(), DSSCL_NORMAL);
  sound.SetOptions(soExclusive | soStickyFocus);
  EXPECT_EQ(sound.Options(), soStickyFocus);
  EXPECT_TRUE(sound.Device()->StickyFocus);
  // Buffers made from now on take the sticky flag.
  TDirectSoundBuffer buffer(sound.Device());
  buffer.LoadFromWave(MakeWave(100));
  EXPECT_TRUE(buffer.Caps().dwFlags & DSBCAPS_STICKYFOCUS);
  sound.Finalize();
  sound.SetOptions(soExclusive);
  EXPECT_EQ(sound.Options(), soExclusive);
}

namespace {
// A form with a device component and a wave list of two clips: a plain one and a looped one.
struct TBankRig {
  TTestForm Form;
  TDXSound Sound{&Form};
  TDXWaveList List{&Form};
  TBankRig() {
    List.SetDXSound(&Sound);
    TWaveCollectionItem* shot = List.Items().Add();
    shot->SetName("Shot");
    shot->Wave.Assign(&Clip);
    TWaveCollectionItem* music = List.Items().Add();
    music->SetName("Music");
    music->SetLooped(true);
    music->Wave.Assign(&Clip);
    Sound.Loaded();
  }
  TWave Clip = MakeWave(22050);
};
} // namespace

TEST(WaveBank, BuildsEveryMainBufferWhenTheDeviceComesUp) {
  TBankRig rig;
  TWaveCollection& items = rig.List.Items();
  ASSERT_TRUE(items.Initialized());
  for (int i = 0; i < items.Count(); ++i) {
    ASSERT_TRUE(items.Items(i)->Initialized());
    ASSERT_NE(items.Items(i)->MainBuffer(), nullptr);
    EXPECT_NE(items.Items(i)->MainBuffer()->Interface(), nullptr);
  }
  EXPECT_EQ(items.Find("music"), items.Items(1));
  EXPECT_EQ(items.Find("nothing"), nullptr);
  rig.Sound.Finalize();
  EXPECT_FALSE(items.Items(0)->Initialized());
  EXPECT_EQ(items.Items(0)->MainBuffer(), nullptr);
}

TEST(WaveBank, MaxPlayingCountTwoReusesTheOldestCopyOnAThirdPlay) {
  TBankRig rig;
  TWaveCollectionItem* shot = rig.List.Items().Find("Shot");
  shot->SetMaxPlayingCount(2);
  shot->Play(false);
  shot->Play(false);
  ASSERT_EQ(shot->CopyCount(), 2);
  TDirectSoundBuffer* first = shot->Copy(0);
  TDirectSoundBuffer* second = shot->Copy(1);
  EXPECT_TRUE(first->IsPlaying());
  EXPECT_TRUE(second->IsPlaying());
  // The mixer moves on in whole periods, and late on a busy machine: wait until it has.
  for (int i = 0; i < 300 && second->Position() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_GT(second->Position(), 0);
  shot->Play(false);
  ASSERT_EQ(shot->CopyCount(), 2);
  EXPECT_EQ(shot->Copy(0), second); // the oldest was cut off and became the newest
  EXPECT_EQ(shot->Copy(1), first);
  EXPECT_LT(first->Position(), second->Position());
  shot->SetMaxPlayingCount(-3);
  EXPECT_EQ(shot->MaxPlayingCount(), 0);
  EXPECT_EQ(shot->CopyCount(), 0); // a new limit drops the copies
}

TEST(WaveBank, WithoutLimitEveryOverlappingPlayGetsACopyAndStopThenPlayReusesOne) {
  TBankRig rig;
  TWaveCollectionItem* shot = rig.List.Items().Find("Shot");
  for (int i = 0; i < 3; ++i) shot->Play(false);
  EXPECT_EQ(shot->CopyCount(), 3);
  for (int i = 0; i < 5; ++i) {
    shot->Stop();
    shot->Play(false);
  }
  EXPECT_EQ(shot->CopyCount(), 3);
  EXPECT_TRUE(shot->Copy(0)->IsPlaying());
  EXPECT_FALSE(shot->Copy(1)->IsPlaying());
  EXPECT_FALSE(shot->MainBuffer()->IsPlaying()); // a plain entry never plays its main buffer
}

TEST(WaveBank, LoopedEntryRestartsItsMainBuffer) {
  TBankRig rig;
  TWaveCollectionItem* music = rig.List.Items().Find("Music");
  music->Play(false);
  TDirectSoundBuffer* main = music->MainBuffer();
  EXPECT_EQ(main->Status(), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  EXPECT_EQ(music->CopyCount(), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_GT(main->Position(), 500);
  music->Play(false);
  EXPECT_LT(main->Position(), 500);
  EXPECT_TRUE(main->IsPlaying());
  music->SetLooped(false); // changing the option stops the entry
  EXPECT_FALSE(main->IsPlaying());
}

TEST(WaveBank, ALostBufferRebuildsTheClips) {
  TBankRig rig;
  TWaveCollectionItem* shot = rig.List.Items().Find("Shot");
  shot->Play(false);
  // Spoil the main buffer's samples; a rebuild loads them from the clip again.
  void *r1, *r2;
  int32_t n1, n2;
  ASSERT_TRUE(shot->MainBuffer()->Lock(0, 100, r1, n1, r2, n2));
  std::memset(r1, 0, size_t(n1));
  shot->MainBuffer()->Unlock();
  int restores = 0;
  rig.Sound.OnRestore = [&](TCustomDXSound*) { ++restores; };
  shot->Copy(0)->SetDXResult(DSERR_BUFFERLOST);
  EXPECT_EQ(restores, 1);
  EXPECT_FALSE(rig.Sound.Device()->Restoring);
  ASSERT_TRUE(shot->MainBuffer()->Lock(0, 100, r1, n1, r2, n2));
  EXPECT_EQ(static_cast<uint8_t*>(r1)[0], 0x70); // reloaded from the clip
  EXPECT_EQ(static_cast<uint8_t*>(r1)[99], 0x70 + 99);
  shot->MainBuffer()->Unlock();
  shot->Stop();
  shot->Play(false);
  EXPECT_TRUE(shot->Copy(0)->IsPlaying());
}

TEST(FormSounds, BuildsTheBankAndEachCueRestartsOneVoice) {
  TFormSounds sounds;
  TWaveCollection& items = sounds.DXWaveList1->Items();
  ASSERT_EQ(items.Count(), 15);
  ASSERT_TRUE(sounds.DXSound1->Initialized());
  for (int i = 0; i < 15; ++i) ASSERT_NE(items.Items(i)->MainBuffer()->Interface(), nullptr);

  const struct {
    void (TFormSounds::*Cue)();
    TSoundCue Counter;
    const char* Entry;
  } cues[] = {{&TFormSounds::PlayerShoot, scPlayerShoot, "PlayerShoot"},
              {&TFormSounds::GruntHit, scGruntHit, "GruntHit"},
              {&TFormSounds::PodHit, scPodHit, "PodHit"},
              {&TFormSounds::PodChildDestroyed, scPodChildDestroyed, "PodChildDestroyed"},
              {&TFormSounds::PlayerHit, scPlayerHit, "PlayerHit"},
              {&TFormSounds::BonusReverb, scBonusReverb, "BonusReverb"}};
  for (const auto& c : cues) {
    SCOPED_TRACE(c.Entry);
    for (int i = 0; i < 3; ++i) (sounds.*c.Cue)();
    EXPECT_EQ(sounds.CueCounts[c.Counter], 3);
    TWaveCollectionItem* item = items.Find(c.Entry);
    ASSERT_EQ(item->CopyCount(), 1); // three cues in a row: one voice, restarted
    EXPECT_TRUE(item->Copy(0)->IsPlaying());
  }
  sounds.Intro();
  sounds.Intro();
  EXPECT_EQ(sounds.CueCounts[scIntro], 2);
  TWaveCollectionItem* intro = items.Find("Intro");
  EXPECT_EQ(intro->Index(), 14);
  EXPECT_EQ(intro->MainBuffer()->Status(), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  EXPECT_EQ(intro->CopyCount(), 0);
}

TEST(WaveBank, AClipTheDeviceRefusesLeavesTheRestToBeBuiltOnFirstPlay) {
  TTestForm form;
  TDXSound sound(&form);
  TDXWaveList list(&form);
  list.SetDXSound(&sound);
  TWaveCollectionItem* bad = list.Items().Add();
  TWave spoilt = MakeWave(100);
  bad->Wave.Assign(&spoilt);
  bad->Wave.Format()[14] = 12; // 12-bit samples: no buffer can be made
  TWaveCollectionItem* good = list.Items().Add();
  TWave clip = MakeWave(2000);
  good->Wave.Assign(&clip);
  sound.Loaded(); // the refusal is swallowed at start-up
  ASSERT_TRUE(sound.Initialized());
  EXPECT_EQ(good->MainBuffer(), nullptr); // left unbuilt behind the failing clip
  good->Play(false);
  ASSERT_EQ(good->CopyCount(), 1);
  EXPECT_TRUE(good->Copy(0)->IsPlaying());
  EXPECT_EQ(ErrorOf<EDirectSoundBufferError>([&] { bad->Play(false); }),
            "Sound Buffer cannot be made");
}
