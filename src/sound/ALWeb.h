#pragma once
// The browser's OpenAL (emscripten's, over Web Audio), linked into the program rather than loaded
// at run time. It has no extension header, mixes at the browser's own pace; the names below are the
// extensions' own values, asked of it and answered "not present".
#include <AL/al.h>
#include <AL/alc.h>

#ifndef ALC_CONNECTED
#define ALC_CONNECTED 0x313
#endif
#ifndef AL_DIRECT_CHANNELS_SOFT
#define AL_DIRECT_CHANNELS_SOFT 0x1033
#endif
