#include "sound/ALDevice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/LittleEndian.h"
#include "platform/Platform.h"
#include "sound/DXClass.h"

namespace {

template <class F> void Get(F& Proc, const char* Name) {
  Proc = reinterpret_cast<F>(LoadProc(SoundLibraryName, Name));
}

} // namespace

#ifndef __EMSCRIPTEN__
void TALApi::Load() {
  Get(OpenDevice, "alcOpenDevice");
  Get(CloseDevice, "alcCloseDevice");
  Get(CreateContext, "alcCreateContext");
  Get(DestroyContext, "alcDestroyContext");
  Get(MakeContextCurrent, "alcMakeContextCurrent");
  Get(GetCurrentContext, "alcGetCurrentContext");
  Get(GetIntegerv, "alcGetIntegerv");
  Get(IsExtensionPresent, "alcIsExtensionPresent");
  Get(GetError, "alGetError");
  Get(AlIsExtensionPresent, "alIsExtensionPresent");
  Get(GenBuffers, "alGenBuffers");
  Get(DeleteBuffers, "alDeleteBuffers");
  Get(BufferData, "alBufferData");
  Get(GenSources, "alGenSources");
  Get(DeleteSources, "alDeleteSources");
  Get(Sourcei, "alSourcei");
  Get(Sourcef, "alSourcef");
  Get(Source3f, "alSource3f");
  Get(GetSourcei, "alGetSourcei");
  Get(SourcePlay, "alSourcePlay");
  Get(SourcePause, "alSourcePause");
  Get(SourceStop, "alSourceStop");
  Get(Listenerf, "alListenerf");
}
#endif

std::unique_ptr<TALDevice> TALDevice::Open(const char* Name) {
  UseGameSettings();
  auto result = std::make_unique<TALDevice>();
  result->Al.Load();
  result->Device = result->Al.OpenDevice(Name);
  if (!result->Device) return nullptr;
    // A cue fired every 10 ms frame restarts its clip every frame, and a restart takes effect only
    // at the start of a mixing period: with the library's default of about 23 ms the restarts of
    // the contact buzz would land late and unevenly, as clicks. So a period of at most 10 ms is
    // asked for, here and, for library versions that ignore this attribute, by the game's
    // alsoft.conf (UseGameSettings).
#ifdef __EMSCRIPTEN__
  const ALCint* attributes = nullptr; // the browser's OpenAL refuses ALC_REFRESH
#else
  const ALCint attributes[] = {ALC_REFRESH, 100, 0};
#endif
  result->Context = result->Al.CreateContext(result->Device, attributes);
  if (!result->Context) return nullptr;
  result->MakeCurrent();
  result->CanTellDisconnect = result->Al.IsExtensionPresent(result->Device, "ALC_EXT_disconnect");
  result->DirectChannels = result->Al.AlIsExtensionPresent("AL_SOFT_direct_channels");
  return result;
}

void TALDevice::UseGameSettings() {
  // Read when the library first opens a device. A player's own ALSOFT_CONF wins, and is read
  // instead; the library still reads its usual files (and one beside the executable) first.
  const std::string settings = GameFolder("alsoft.conf") + "alsoft.conf";
  if (std::FILE* file = std::fopen(settings.c_str(), "rb")) {
    std::fclose(file);
    PlatformSetDefaultEnvironment("ALSOFT_CONF", settings);
  }
}

TALDevice::~TALDevice() {
  if (Context) {
    if (Al.GetCurrentContext() == Context) Al.MakeContextCurrent(nullptr);
    Al.DestroyContext(Context);
  }
  if (Device) Al.CloseDevice(Device);
}

void TALDevice::MakeCurrent() const {
  if (Al.GetCurrentContext() != Context) Al.MakeContextCurrent(Context);
}

bool TALDevice::Connected() const {
  if (!CanTellDisconnect) return true;
  ALCint connected = 1;
  Al.GetIntegerv(Device, ALC_CONNECTED, 1, &connected);
  return connected != 0;
}

int32_t TALDevice::Frequency() const {
  ALCint rate = 0;
  Al.GetIntegerv(Device, ALC_FREQUENCY, 1, &rate);
  return rate;
}

int32_t TALDevice::Refresh() const {
  ALCint refresh = 0;
  Al.GetIntegerv(Device, ALC_REFRESH, 1, &refresh);
  return refresh;
}

TALClip::~TALClip() {
  if (Buffer) {
    Dev->MakeCurrent();
    Dev->Al.DeleteBuffers(1, &Buffer);
  }
}

bool TALClip::MakeBuffer() {
  Dev->Al.GetError();
  Dev->Al.GenBuffers(1, &Buffer);
  if (Dev->Al.GetError() == AL_NO_ERROR) return true;
  Buffer = 0;
  return false;
}

bool TALClip::Fill(ALuint Target, float LeftGain, float RightGain) const {
  const auto& al = Dev->Al;
  const size_t frames = size_t(Frames());
  const bool asIs = Channels == 2 && LeftGain == 1 && RightGain == 1;
  std::vector<uint8_t> stereo;
  if (!asIs) {
    const size_t sampleBytes = size_t(Bits / 8);
    stereo.resize(frames * 2 * sampleBytes);
    for (size_t f = 0; f < frames; ++f) {
      for (size_t side = 0; side < 2; ++side) {
        const size_t from = f * size_t(BlockAlign) + (Channels == 2 ? side * sampleBytes : 0);
        const float gain = side == 0 ? LeftGain : RightGain;
        uint8_t* to = &stereo[(f * 2 + side) * sampleBytes];
        if (Bits == 8) {
          const float v = float(int(Memory[from]) - 128) * gain;
          to[0] = uint8_t(std::clamp(128 + int(std::lround(v)), 0, 255));
        } else {
          const float v = float(int16_t(ReadLE16(&Memory[from]))) * gain;
          const int16_t w = int16_t(std::clamp(int(std::lround(v)), -32768, 32767));
          to[0] = uint8_t(w);
          to[1] = uint8_t(uint16_t(w) >> 8);
        }
      }
    }
  }
  al.GetError();
  al.BufferData(Target, Bits == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16,
                asIs ? Memory.data() : stereo.data(), ALsizei(frames * size_t(Bits / 8) * 2), Rate);
  return al.GetError() == AL_NO_ERROR;
}

bool TALClip::Upload() {
  const auto& al = Dev->Al;
  Dev->MakeCurrent();
  for (TALVoice* v : Voices) {
    al.SourceStop(v->Source);
    al.Sourcei(v->Source, AL_BUFFER, 0);
  }
  bool ok = Fill(Buffer, 1, 1);
  for (TALVoice* v : Voices) {
    al.Sourcei(v->Source, AL_BUFFER, ALint(Buffer));
    if (v->Pan != 0) ok = v->ApplyPan() && ok;
  }
  return ok;
}

TALVoice::~TALVoice() {
  if (!Source) return;
  Dev->MakeCurrent();
  Dev->Al.SourceStop(Source);
  Dev->Al.Sourcei(Source, AL_BUFFER, 0);
  Dev->Al.DeleteSources(1, &Source);
  if (PanBuffer) Dev->Al.DeleteBuffers(1, &PanBuffer);
  auto& list = Clip->Voices;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

std::unique_ptr<TALVoice> TALVoice::On(std::shared_ptr<TALClip> Clip) {
  auto voice = std::make_unique<TALVoice>(Clip->Dev);
  const auto& al = Clip->Dev->Al;
  Clip->Dev->MakeCurrent();
  al.GetError();
  al.GenSources(1, &voice->Source);
  if (al.GetError() != AL_NO_ERROR) {
    voice->Source = 0;
    return nullptr;
  }
  voice->Clip = std::move(Clip);
  al.Sourcei(voice->Source, AL_SOURCE_RELATIVE, AL_TRUE);
  al.Source3f(voice->Source, AL_POSITION, 0, 0, 0);
  al.Sourcef(voice->Source, AL_ROLLOFF_FACTOR, 0);
  if (voice->Dev->DirectChannels) al.Sourcei(voice->Source, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
  al.Sourcei(voice->Source, AL_BUFFER, ALint(voice->Clip->Buffer));
  voice->Clip->Voices.push_back(voice.get());
  return voice;
}

ALint TALVoice::State() const {
  ALint state = AL_INITIAL;
  Dev->Al.GetSourcei(Source, AL_SOURCE_STATE, &state);
  return state;
}

void TALVoice::SetLooping(bool Loop) {
  Looping = Loop;
  Dev->Al.Sourcei(Source, AL_LOOPING, Loop ? AL_TRUE : AL_FALSE);
}

int32_t TALVoice::FrameOffset() const {
  ALint frame = 0;
  Dev->Al.GetSourcei(Source, AL_SAMPLE_OFFSET, &frame);
  return frame;
}

void TALDevice::ApplyListenerGain() const {
  Al.Listenerf(AL_GAIN, MixGain * MasterGain);
}

void TALVoice::SetGain(float Gain) const {
  if (Primary) {
    Dev->MixGain = Gain;
    Dev->ApplyListenerGain();
  } else
    Dev->Al.Sourcef(Source, AL_GAIN, Gain);
}

void TALVoice::PanGains(float& Left, float& Right) const {
  const float far = std::pow(10.0f, -std::abs(float(Pan)) / 2000.0f);
  Left = Pan > 0 ? far : 1.0f;
  Right = Pan < 0 ? far : 1.0f;
}

bool TALVoice::ApplyPan() {
  const auto& al = Dev->Al;
  ALuint wanted = Clip->Buffer;
  bool ok = true;
  if (Pan != 0) {
    if (!PanBuffer) {
      al.GetError();
      al.GenBuffers(1, &PanBuffer);
      if (al.GetError() != AL_NO_ERROR) PanBuffer = 0;
    }
    float left, right;
    PanGains(left, right);
    // The buffer cannot be refilled while the source holds it.
    Switch(0);
    ok = PanBuffer && Clip->Fill(PanBuffer, left, right);
    if (ok) wanted = PanBuffer;
  }
  Switch(wanted);
  if (Pan == 0 && PanBuffer) {
    al.DeleteBuffers(1, &PanBuffer);
    PanBuffer = 0;
  }
  return ok;
}

void TALVoice::Switch(ALuint Buffer) {
  const auto& al = Dev->Al;
  ALint current = 0;
  al.GetSourcei(Source, AL_BUFFER, &current);
  if (ALuint(current) == Buffer) return;
  const ALint state = State();
  ALint offset = 0;
  al.GetSourcei(Source, AL_SAMPLE_OFFSET, &offset);
  if (state == AL_PLAYING || state == AL_PAUSED) al.SourceStop(Source);
  al.Sourcei(Source, AL_BUFFER, ALint(Buffer));
  if (Buffer && (state == AL_PLAYING || state == AL_PAUSED)) {
    al.Sourcei(Source, AL_SAMPLE_OFFSET, offset);
    if (state == AL_PLAYING) al.SourcePlay(Source);
  }
}
