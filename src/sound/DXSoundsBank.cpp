// The DXSounds unit's sound bank: the named clips (TWaveCollectionItem, TWaveCollection) and the
// component that keeps them on the device (TDXWaveList). The device and its buffers are in
// DXSounds.cpp.
#include "sound/DXSounds.h"

#include <algorithm>

#include "platform/Platform.h"

// ---------------------------------------------------------------------------------------------
// The bank

TWaveCollectionItem::TWaveCollectionItem(TWaveCollection* Collection)
    : THashCollectionItem(Collection) {}

TWaveCollectionItem::~TWaveCollectionItem() {
  Finalize();
}

TWaveCollection* TWaveCollectionItem::WaveCollection() const {
  return static_cast<TWaveCollection*>(Collection());
}

void TWaveCollectionItem::SetLooped(bool Value) {
  if (Value == FLooped) return;
  Stop();
  FLooped = Value;
}

void TWaveCollectionItem::SetMaxPlayingCount(int32_t Value) {
  Value = std::max(Value, 0);
  if (Value == FMaxPlayingCount) return;
  if (FInitialized) FCopies.clear();
  FMaxPlayingCount = Value;
}

void TWaveCollectionItem::Assign(const TWaveCollectionItem& Source) {
  if (&Source == this) return;
  const bool wasInitialized = FInitialized;
  if (wasInitialized) Finalize();
  SetName(Source.Name());
  FLooped = Source.FLooped;
  FMaxPlayingCount = Source.FMaxPlayingCount;
  Frequency = Source.Frequency;
  Pan = Source.Pan;
  Volume = Source.Volume;
  Wave.Assign(&Source.Wave);
  if (wasInitialized) {
    Initialize();
    Restore();
  }
}

void TWaveCollectionItem::Initialize() {
  Finalize();
  FInitialized = WaveCollection() && WaveCollection()->Initialized();
}

void TWaveCollectionItem::Finalize() {
  if (!FInitialized) return;
  FInitialized = false;
  FCopies.clear();
  FMainBuffer.reset();
}

void TWaveCollectionItem::Restore() {
  if (Wave.DataSize() == 0) return;
  if (!FInitialized) {
    if (WaveCollection() && WaveCollection()->Initialized()) Initialize();
    if (!FInitialized) return;
  }
  if (!FMainBuffer)
    FMainBuffer = std::make_unique<TDirectSoundBuffer>(WaveCollection()->DXSound()->Device());
  FMainBuffer->LoadFromWave(Wave);
  FMainBuffer->SetFrequency(Frequency);
  FMainBuffer->SetPan(Pan);
  FMainBuffer->SetVolume(Volume);
  // Copies that lost their voices with a reopened device share the rebuilt clip.
  for (auto& copy : FCopies)
    if (!copy->Interface()) copy->Assign(FMainBuffer.get());
}

TDirectSoundBuffer* TWaveCollectionItem::GetBuffer() {
  // A main buffer whose building failed has no voice; it is built again on demand.
  if (FInitialized && (!FMainBuffer || !FMainBuffer->Interface())) Restore();
  return FMainBuffer.get();
}

std::unique_ptr<TDirectSoundBuffer> TWaveCollectionItem::CreateCopy() {
  TDirectSoundBuffer* main = GetBuffer();
  if (!main) return nullptr;
  auto copy = std::make_unique<TDirectSoundBuffer>(main->Device());
  copy->Assign(main); // if this raises, the new object is freed on the way out
  return copy;
}

void TWaveCollectionItem::Play(bool Wait) {
  if (!FInitialized) return;
  if (FLooped) {
    if (TDirectSoundBuffer* buffer = GetBuffer()) {
      buffer->Stop();
      buffer->SetPosition(0);
      buffer->Play(true);
    }
    return;
  }
  TDirectSoundBuffer* voice = nullptr;
  for (auto& copy : FCopies) {
    if (!copy->IsPlaying()) {
      voice = copy.get();
      break;
    }
  }
  if (!voice) {
    if (FMaxPlayingCount == 0 || int32_t(FCopies.size()) < FMaxPlayingCount) {
      std::unique_ptr<TDirectSoundBuffer> copy = CreateCopy();
      if (!copy) return;
      FCopies.push_back(std::move(copy));
    } else {
      // Every allowed copy sounds: cut the oldest off and reuse it as the newest.
      std::rotate(FCopies.begin(), FCopies.begin() + 1, FCopies.end());
    }
    voice = FCopies.back().get();
  }
  voice->Stop();
  voice->SetPosition(0);
  voice->SetFrequency(Frequency);
  voice->SetPan(Pan);
  voice->SetVolume(Volume);
  voice->Play(false);
  if (Wait)
    while (voice->IsPlaying()) PlatformSleep(10);
}

void TWaveCollectionItem::Stop() {
  if (!FInitialized) return;
  if (FMainBuffer && FMainBuffer->Interface()) FMainBuffer->Stop();
  for (auto& copy : FCopies)
    if (copy->Interface()) copy->Stop();
}

TWaveCollectionItem* TWaveCollection::Add() {
  auto item = std::make_unique<TWaveCollectionItem>(this);
  TWaveCollectionItem* result = item.get();
  AddItem(std::move(item));
  return result;
}

TWaveCollectionItem* TWaveCollection::Find(const std::string& Name) const {
  const int32_t index = IndexOf(Name);
  return index < 0 ? nullptr : Items(index);
}

void TWaveCollection::Initialize(TCustomDXSound* Sound) {
  Finalize();
  FDXSound = Sound;
  for (int32_t i = 0; i < Count(); ++i) Items(i)->Initialize();
}

void TWaveCollection::Finalize() {
  for (int32_t i = 0; i < Count(); ++i) Items(i)->Finalize();
  FDXSound = nullptr;
}

void TWaveCollection::Restore() {
  for (int32_t i = 0; i < Count(); ++i) Items(i)->Restore();
}

TDXWaveList::~TDXWaveList() {
  SetDXSound(nullptr);
  FItems.Finalize();
}

void TDXWaveList::SetDXSound(TCustomDXSound* Value) {
  if (Value == FDXSound) return;
  if (FDXSound) FDXSound->UnregisterListener(this);
  FDXSound = Value;
  if (FDXSound)
    FDXSound->RegisterListener(
        [this](TCustomDXSound* Sender, TDXSoundNotifyType Type) { Notified(Sender, Type); }, this);
}

void TDXWaveList::Notified(TCustomDXSound* Sender, TDXSoundNotifyType Type) {
  switch (Type) {
  case dsntDestroying:
    SetDXSound(nullptr);
    break;
  case dsntInitialize:
    FItems.Initialize(Sender);
    break;
  case dsntFinalize:
    FItems.Finalize();
    break;
  case dsntRestore:
    FItems.Restore();
    break;
  case dsntInitializing:
    break;
  }
}
