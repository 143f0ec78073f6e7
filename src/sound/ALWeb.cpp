// The browser's OpenAL is linked in: its entry points are the library's own functions.
#ifdef __EMSCRIPTEN__
#include "sound/ALDevice.h"

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
  Sourcei = alSourcei;
  Sourcef = alSourcef;
  Source3f = alSource3f;
  GetSourcei = alGetSourcei;
  SourcePlay = alSourcePlay;
  SourcePause = alSourcePause;
  SourceStop = alSourceStop;
  Listenerf = alListenerf;
}
#endif
