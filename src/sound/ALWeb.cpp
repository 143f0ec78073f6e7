// The browser's OpenAL is linked in: its entry points are the library's own functions.
#ifdef __EMSCRIPTEN__
#include "sound/ALDevice.h"

namespace {

// The browser's OpenAL throws when a source stopped or paused at its end is given an offset: it
// looks for the offset past the end of the source's queue (a playing source is rewound by the
// library itself first). Rewound here too, the source takes the offset and starts from it when
// played, as on the desktop.
void SourceiRewindingStopped(ALuint Source, ALenum Param, ALint Value) {
  if (Param == AL_SAMPLE_OFFSET || Param == AL_BYTE_OFFSET || Param == AL_SEC_OFFSET) {
    ALint state = AL_INITIAL;
    alGetSourcei(Source, AL_SOURCE_STATE, &state);
    if (state == AL_STOPPED || state == AL_PAUSED) alSourceRewind(Source);
  }
  alSourcei(Source, Param, Value);
}

} // namespace

void TALApi::Load() {
  OpenDevice = alcOpenDevice;
  CloseDevice = alcCloseDevice;
  CreateContext = alcCreateContext;
  DestroyContext = alcDestroyContext;
  MakeContextCurrent = alcMakeContextCurrent;
  GetCurrentContext = alcGetCurrentContext;
  GetIntegerv = alcGetIntegerv;
  IsExtensionPresent = alcIsExtensionPresent;
  GetError = alGetError;
  AlIsExtensionPresent = alIsExtensionPresent;
  GenBuffers = alGenBuffers;
  DeleteBuffers = alDeleteBuffers;
  BufferData = alBufferData;
  GenSources = alGenSources;
  DeleteSources = alDeleteSources;
  Sourcei = SourceiRewindingStopped;
  Sourcef = alSourcef;
  Source3f = alSource3f;
  GetSourcei = alGetSourcei;
  SourcePlay = alSourcePlay;
  SourcePause = alSourcePause;
  SourceStop = alSourceStop;
  Listenerf = alListenerf;
}
#endif
