#include "sound/frmDXSounds.h"

// The clips are synthesized at build time into GLOOPA_CLIP_DIR and assembled into this object
// file whole, as read-only data.
#ifndef GLOOPA_CLIP_DIR
#error "GLOOPA_CLIP_DIR must name the folder of the generated clips"
#endif

// COFF (Windows) has neither .rodata nor .previous: its read-only section is .rdata, and
// top-level asm comes out before any code, so going on in .text is safe there.
#ifdef _WIN32
#define GLOOPA_CLIP_SECTION ".section .rdata,\"dr\"\n"
#define GLOOPA_CLIP_SECTION_END ".text\n"
#else
#define GLOOPA_CLIP_SECTION ".section .rodata\n"
#define GLOOPA_CLIP_SECTION_END ".previous\n"
#endif

#define GLOOPA_EMBED_CLIP(Symbol, File)                                                            \
  asm(GLOOPA_CLIP_SECTION ".balign 16\n"                                                           \
                          ".global " #Symbol "\n" #Symbol ":\n"                                    \
                          ".incbin \"" GLOOPA_CLIP_DIR "/" File "\"\n"                             \
                          ".global " #Symbol "_end\n" #Symbol "_end:\n" GLOOPA_CLIP_SECTION_END);  \
  extern "C" const uint8_t Symbol[];                                                               \
  extern "C" const uint8_t Symbol##_end[];

GLOOPA_EMBED_CLIP(gloopa_clip_PlayerShoot, "PlayerShoot.wav")
GLOOPA_EMBED_CLIP(gloopa_clip_GruntHit, "GruntHit.wav")
GLOOPA_EMBED_CLIP(gloopa_clip_BoidHit, "BoidHit.wav")
GLOOPA_EMBED_CLIP(gloopa_clip_SnakeHit, "SnakeHit.wav")
GLOOPA_EMBED_CLIP(gloopa_clip_SnakeDestroyed, "SnakeDestroyed.wav")
GLOOPA_EMBED_CLIP(gloopa_clip_GravitarHit, "GravitarHit.wav")
GLOOPA_EMBED_CLIP(gloopa_clip_GravitarDestroyed, "GravitarDestroyed.wav")
GLOOPA_EMBED_CLIP(gloopa_clip_PodHit, "PodHit.wav")
GLOOPA_EMBED_CLIP(gloopa_clip_PodDestroyed, "PodDestroyed.wav")
GLOOPA_EMBED_CLIP(gloopa_clip_PodChildHit, "PodChildHit.wav")
GLOOPA_EMBED_CLIP(gloopa_clip_PodChildDestroyed, "PodChildDestroyed.wav")
GLOOPA_EMBED_CLIP(gloopa_clip_PlayerHit, "PlayerHit.wav")
GLOOPA_EMBED_CLIP(gloopa_clip_BonusReverb, "BonusReverb.wav")
GLOOPA_EMBED_CLIP(gloopa_clip_GravitarSpawned, "GravitarSpawned.wav")
GLOOPA_EMBED_CLIP(gloopa_clip_Intro, "Intro.wav")

namespace {

#define GLOOPA_CLIP_ENTRY(Name, Looped)                                                            \
  { #Name, Looped, gloopa_clip_##Name, size_t(gloopa_clip_##Name##_end - gloopa_clip_##Name) }

const TStoredClip StoredClips[TFormSounds::ClipCount] = {
    GLOOPA_CLIP_ENTRY(PlayerShoot, false),
    GLOOPA_CLIP_ENTRY(GruntHit, false),
    GLOOPA_CLIP_ENTRY(BoidHit, false),
    GLOOPA_CLIP_ENTRY(SnakeHit, false),
    GLOOPA_CLIP_ENTRY(SnakeDestroyed, false),
    GLOOPA_CLIP_ENTRY(GravitarHit, false),
    GLOOPA_CLIP_ENTRY(GravitarDestroyed, false),
    GLOOPA_CLIP_ENTRY(PodHit, false),
    GLOOPA_CLIP_ENTRY(PodDestroyed, false),
    GLOOPA_CLIP_ENTRY(PodChildHit, false),
    GLOOPA_CLIP_ENTRY(PodChildDestroyed, false),
    GLOOPA_CLIP_ENTRY(PlayerHit, false),
    GLOOPA_CLIP_ENTRY(BonusReverb, false),
    GLOOPA_CLIP_ENTRY(GravitarSpawned, false),
    GLOOPA_CLIP_ENTRY(Intro, true),
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

void TFormSounds::Cue(TSoundCue Cue, int32_t Entry) {
  ++CueCounts[Cue];
  TWaveCollectionItem* item = DXWaveList1->Items().Items(Entry);
  try {
    item->Stop();
    item->Play(false);
  } catch (const EDirectSoundError&) {
    // A clip the device would not build stays silent; a sound must never end the game.
  }
}

void TFormSounds::Intro() {
  Cue(scIntro, 14);
}
void TFormSounds::PlayerShoot() {
  Cue(scPlayerShoot, 0);
}
void TFormSounds::BonusReverb() {
  Cue(scBonusReverb, 12);
}
void TFormSounds::PodChildDestroyed() {
  Cue(scPodChildDestroyed, 10);
}
void TFormSounds::GruntHit() {
  Cue(scGruntHit, 1);
}
void TFormSounds::PodHit() {
  Cue(scPodHit, 7);
}
void TFormSounds::PlayerHit() {
  Cue(scPlayerHit, 11);
}
