#pragma once
#include <AL/al.h>
#include <AL/alc.h>
#ifdef __EMSCRIPTEN__
#include "sound/ALWeb.h"
#else
#include <AL/alext.h>
#endif

#include <cstdint>
#include <memory>
#include <vector>

// The OpenAL back end of the sound device (DXSounds): the library's entry points, the opened
// device, a clip's samples and the voices that play them. Only the sound layer includes this.

#ifdef _WIN32
constexpr const char* SoundLibraryName = "OpenAL32.dll";
#else
constexpr const char* SoundLibraryName = "libopenal.so.1";
#endif

// OpenAL's entry points, looked up at run time from SoundLibraryName (linked in on the web:
// ALWeb.cpp).
struct TALApi {
  decltype(&alcOpenDevice) OpenDevice;
  decltype(&alcCloseDevice) CloseDevice;
  decltype(&alcCreateContext) CreateContext;
  decltype(&alcDestroyContext) DestroyContext;
  decltype(&alcMakeContextCurrent) MakeContextCurrent;
  decltype(&alcGetCurrentContext) GetCurrentContext;
  decltype(&alcGetIntegerv) GetIntegerv;
  decltype(&alcIsExtensionPresent) IsExtensionPresent;
  decltype(&alGetError) GetError;
  decltype(&alIsExtensionPresent) AlIsExtensionPresent;
  decltype(&alGenBuffers) GenBuffers;
  decltype(&alDeleteBuffers) DeleteBuffers;
  decltype(&alBufferData) BufferData;
  decltype(&alGenSources) GenSources;
  decltype(&alDeleteSources) DeleteSources;
  decltype(&alSourcei) Sourcei;
  decltype(&alSourcef) Sourcef;
  decltype(&alSource3f) Source3f;
  decltype(&alGetSourcei) GetSourcei;
  decltype(&alSourcePlay) SourcePlay;
  decltype(&alSourcePause) SourcePause;
  decltype(&alSourceStop) SourceStop;
  decltype(&alListenerf) Listenerf;

  // Raises the loader's "<library> not loaded" when the library or a name is missing.
  void Load();
};

struct TALDevice {
  TALApi Al{};
  ALCdevice* Device = nullptr;
  ALCcontext* Context = nullptr;
  bool CanTellDisconnect = false;
  bool DirectChannels = false;
  // The listener's gain is the primary buffer's volume (the game's own mix level) times the
  // player's master level; neither touches a source's own gain.
  mutable float MixGain = 1;
  float MasterGain = 1;

  // Null when no device can be opened; the library itself must already be loadable.
  static std::unique_ptr<TALDevice> Open(const char* Name);
  // Names the game's alsoft.conf in ALSOFT_CONF when that is unset and the file is there.
  static void UseGameSettings();
  ~TALDevice();
  void MakeCurrent() const;
  bool Connected() const;
  int32_t Frequency() const;
  int32_t Refresh() const;
  void ApplyListenerGain() const;
};

struct TALVoice;

// The samples of one clip: one OpenAL buffer, with the bytes behind it kept so that a lock can
// hand them out, shared by every voice duplicated from the first.
//
// Every clip is handed to OpenAL as stereo, a mono clip with its one channel in both, and played
// straight onto the output's left and right. A mono source would instead be panned by direction,
// which at the centre leaves each side several decibels under the clip's own level; the game's
// device plays a centred mono clip at full level on both sides.
struct TALClip {
  const TALDevice* Dev;
  ALuint Buffer = 0;
  int32_t Channels = 1;
  int32_t Bits = 8;
  int32_t Rate = 0;
  int32_t BlockAlign = 1;
  std::vector<uint8_t> Memory;
  std::vector<TALVoice*> Voices; // voices playing this clip

  explicit TALClip(const TALDevice* Device) : Dev(Device) {}
  ~TALClip();
  int32_t Frames() const { return int32_t(Memory.size() / size_t(BlockAlign)); }
  // Makes the OpenAL buffer; false (and no buffer) when OpenAL refuses.
  bool MakeBuffer();
  // Fills Target with the clip as stereo, each side scaled by its gain.
  bool Fill(ALuint Target, float LeftGain, float RightGain) const;
  // OpenAL copies buffer data on upload and refuses it while a source holds the buffer, so the
  // voices are detached for the moment of the upload (stopping them).
  bool Upload();
};

// One playable copy: a source on a shared clip buffer, or (Primary) the device's own mix.
struct TALVoice {
  const TALDevice* Dev;
  bool Primary = false;
  std::shared_ptr<TALClip> Clip;
  ALuint Source = 0;
  // A panned voice plays its own copy of the clip, the far side attenuated; a centred one plays
  // the clip's shared buffer.
  ALuint PanBuffer = 0;
  bool Looping = false;
  int32_t Frequency = 0, Pan = 0, Volume = 0;

  explicit TALVoice(const TALDevice* Device) : Dev(Device) {}
  ~TALVoice();
  // A source placed on the listener, unaffected by distance, playing Clip.
  static std::unique_ptr<TALVoice> On(std::shared_ptr<TALClip> Clip);
  ALint State() const;
  bool Playing() const { return State() == AL_PLAYING; }
  void Play() const { Dev->Al.SourcePlay(Source); }
  void Pause() const { Dev->Al.SourcePause(Source); }
  void SetLooping(bool Loop);
  void SetFrameOffset(int32_t Frame) const { Dev->Al.Sourcei(Source, AL_SAMPLE_OFFSET, Frame); }
  int32_t FrameOffset() const;
  void SetPitch(float Pitch) const { Dev->Al.Sourcef(Source, AL_PITCH, Pitch); }
  // The primary voice's gain is the listener's: the level of the whole mix.
  void SetGain(float Gain) const;
  // Gains of the two sides for Pan: the far side loses |Pan| hundredths of a decibel.
  void PanGains(float& Left, float& Right) const;
  // Builds or drops the panned copy for the current Pan and moves the source onto the right
  // buffer, keeping its place and whether it plays.
  bool ApplyPan();
  void Switch(ALuint Buffer);
};
