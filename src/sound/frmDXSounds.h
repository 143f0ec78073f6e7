#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "sound/DXClass.h"
#include "sound/DXSounds.h"

enum TSoundCue {
  scIntro,
  scPlayerShoot,
  scBonusReverb,
  scPodChildDestroyed,
  scGruntHit,
  scPodHit,
  scPlayerHit
};

// One clip as it is built into the program: a complete RIFF WAVE image.
struct TStoredClip {
  const char* Name;
  bool Looped;
  const uint8_t* Image;
  size_t ImageSize;
};

// The game's sound bank: the device component, the list of fifteen named clips built into the
// program, and one cue per game event that makes a sound. Each cue restarts its clip from the
// beginning, so no clip ever overlaps itself. Without a sound device every cue does nothing.
class TFormSounds : public TComponent {
public:
  static constexpr int32_t ClipCount = 15;
  static constexpr int32_t CueCount = 7;

  // Reads the fifteen clips and brings the device up. A missing sound library raises
  // std::runtime_error ("libopenal.so.1 not loaded"); a missing device only silences the bank.
  TFormSounds();
  ~TFormSounds() override;

  bool IsForm() const override { return true; }

  void Intro();
  void PlayerShoot();
  void BonusReverb();
  void PodChildDestroyed();
  void GruntHit();
  void PodHit();
  void PlayerHit();

  // Every cue call, counted whether or not anything can be heard.
  int32_t CueCounts[CueCount] = {};

  std::unique_ptr<TDXSound> DXSound1;
  std::unique_ptr<TDXWaveList> DXWaveList1;

  // The built-in clips, in bank order.
  static const TStoredClip& StoredClip(int32_t Index);

private:
  void Cue(TSoundCue Cue, int32_t Entry);
};
