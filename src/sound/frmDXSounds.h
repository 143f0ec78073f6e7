#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "sound/DXClass.h"
#include "sound/DXSounds.h"

// The bank's entries, in the order of Clips.def.
enum TClipIndex : int32_t {
#define GLOOPA_CLIP(Name, Looped) cl##Name,
#define GLOOPA_CUED_CLIP(Name, Looped) cl##Name,
#include "sound/Clips.def"
#undef GLOOPA_CLIP
#undef GLOOPA_CUED_CLIP
  clCount
};

// The cued clips, each with a counter of its cues.
enum TSoundCue : int32_t {
#define GLOOPA_CLIP(Name, Looped)
#define GLOOPA_CUED_CLIP(Name, Looped) sc##Name,
#include "sound/Clips.def"
#undef GLOOPA_CLIP
#undef GLOOPA_CUED_CLIP
  scCount
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
  static constexpr int32_t ClipCount = clCount;
  static constexpr int32_t CueCount = scCount;

  // Reads the fifteen clips and brings the device up. A missing sound library raises
  // std::runtime_error ("libopenal.so.1 not loaded"); a missing device only silences the bank.
  TFormSounds();
  ~TFormSounds() override;

  bool IsForm() const override { return true; }

  // One operation per cued clip, named after it: PlayerShoot(), GruntHit(), ... Intro().
#define GLOOPA_CLIP(Name, Looped)
#define GLOOPA_CUED_CLIP(Name, Looped)                                                             \
  void Name() {                                                                                    \
    Cue(sc##Name, cl##Name);                                                                       \
  }
#include "sound/Clips.def"
#undef GLOOPA_CLIP
#undef GLOOPA_CUED_CLIP

  // The player's master level, 0 (silent) to 1, over the whole mix; a cue's own level is
  // untouched. Without a device it does nothing.
  void SetMasterVolume(float Gain);
  // Pauses what plays while the game is paused, and plays it on after.
  void Pause(bool Paused);

  // Every cue call, counted whether or not anything can be heard.
  int32_t CueCounts[CueCount] = {};

  std::unique_ptr<TDXSound> DXSound1;
  std::unique_ptr<TDXWaveList> DXWaveList1;

  // The built-in clips, in bank order.
  static const TStoredClip& StoredClip(int32_t Index);

private:
  void Cue(TSoundCue Cue, TClipIndex Entry);
};
