#include "sound/frmDXSounds.h"

// The clips are synthesized at build time into GLOOPA_CLIP_DIR and assembled into this object
// file whole, as read-only data.
#ifndef GLOOPA_CLIP_DIR
#error "GLOOPA_CLIP_DIR must name the folder of the generated clips"
#endif

// COFF (Windows) has neither .rodata nor .previous: its read-only section is .rdata, and
// top-level asm comes out before any code, so going on in .text is safe there.
#ifdef _WIN32
#define GLOOPA_CLIP_SECTION(Symbol) ".section .rdata,\"dr\"\n"
#define GLOOPA_CLIP_SIZES(Symbol) ""
#define GLOOPA_CLIP_SECTION_END ".text\n"
#elif defined(__EMSCRIPTEN__)
// A WebAssembly object keeps each data symbol in a section of its own, with its size.
#define GLOOPA_CLIP_SECTION(Symbol) ".section .rodata." #Symbol ",\"\",@\n"
#define GLOOPA_CLIP_SIZES(Symbol)                                                                  \
  ".size " #Symbol ", " #Symbol "_end - " #Symbol "\n.size " #Symbol "_end, 0\n"
#define GLOOPA_CLIP_SECTION_END ".text\n"
#else
#define GLOOPA_CLIP_SECTION(Symbol) ".section .rodata\n"
#define GLOOPA_CLIP_SIZES(Symbol) ""
#define GLOOPA_CLIP_SECTION_END ".previous\n"
#endif

#define GLOOPA_EMBED_CLIP(Symbol, File)                                                            \
  asm(GLOOPA_CLIP_SECTION(Symbol) ".balign 16\n"                                                   \
                                  ".global " #Symbol "\n" #Symbol ":\n"                            \
                                  ".incbin \"" GLOOPA_CLIP_DIR "/" File "\"\n"                     \
                                  ".global " #Symbol "_end\n" #Symbol                              \
                                  "_end:\n" GLOOPA_CLIP_SIZES(Symbol) GLOOPA_CLIP_SECTION_END);    \
  extern "C" const uint8_t Symbol[];                                                               \
  extern "C" const uint8_t Symbol##_end[];

#define GLOOPA_CLIP(Name, Looped) GLOOPA_EMBED_CLIP(gloopa_clip_##Name, #Name ".wav")
#define GLOOPA_CUED_CLIP GLOOPA_CLIP
#include "sound/Clips.def"
#undef GLOOPA_CLIP
#undef GLOOPA_CUED_CLIP

namespace {

const TStoredClip StoredClips[TFormSounds::ClipCount] = {
#define GLOOPA_CLIP(Name, Looped)                                                                  \
  {#Name, Looped, gloopa_clip_##Name, size_t(gloopa_clip_##Name##_end - gloopa_clip_##Name)},
#define GLOOPA_CUED_CLIP GLOOPA_CLIP
#include "sound/Clips.def"
#undef GLOOPA_CLIP
#undef GLOOPA_CUED_CLIP
};

} // namespace

const TStoredClip& TFormSounds::StoredClip(int32_t Index) {
  return StoredClips[size_t(Index)];
}

TFormSounds::TFormSounds() : TComponent(nullptr) {
  Name = "FormSounds";
  DXSound1 = std::make_unique<TDXSound>(this);
  DXSound1->Name = "DXSound1";
  DXSound1->AutoInitialize = true;
  DXSound1->SetOptions(0);
  DXWaveList1 = std::make_unique<TDXWaveList>(this);
  DXWaveList1->Name = "DXWaveList1";
  DXWaveList1->SetDXSound(DXSound1.get());
  TWaveCollection& items = DXWaveList1->Items();
  for (const TStoredClip& clip : StoredClips) {
    TWaveCollectionItem* item = items.Add();
    item->SetName(clip.Name);
    item->SetLooped(clip.Looped);
    item->SetMaxPlayingCount(0);
    TMemoryReadStream image(clip.Image, int64_t(clip.ImageSize));
    item->Wave.LoadFromStream(image);
  }
  DXSound1->Loaded();
}

TFormSounds::~TFormSounds() {
  DXWaveList1.reset();
  DXSound1.reset();
}

void TFormSounds::SetMasterVolume(float Gain) {
  if (DXSound1->Device()) DXSound1->Device()->SetMasterGain(Gain);
}

void TFormSounds::Pause(bool Paused) {
  TDirectSound* device = DXSound1->Device();
  if (!device || !device->HasInterface()) return;
  if (Paused)
    device->PauseVoices();
  else
    device->ResumeVoices();
}

void TFormSounds::Cue(TSoundCue Cue, TClipIndex Entry) {
  ++CueCounts[Cue];
  TWaveCollectionItem* item = DXWaveList1->Items().Items(Entry);
  try {
    item->Stop();
    item->Play(false);
  } catch (const EDirectSoundError&) {
    // A clip the device would not build stays silent; a sound must never end the game.
  }
}
