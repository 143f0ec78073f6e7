#include "sound/DXSounds.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/LittleEndian.h"
#include "platform/Platform.h"
#include "sound/ALDevice.h"

namespace {

// The fields of a PCM wave-format block.
struct TPcmFormat {
  uint16_t Tag, Channels;
  uint32_t Rate, BytesPerSecond;
  uint16_t BlockAlign, Bits;
};

bool ParsePcmFormat(const uint8_t* Block, int32_t Size, TPcmFormat& Format) {
  if (!Block || Size < 16) return false;
  Format = {ReadLE16(Block),     ReadLE16(Block + 2),  ReadLE32(Block + 4),
            ReadLE32(Block + 8), ReadLE16(Block + 12), ReadLE16(Block + 14)};
  return Format.Tag == 1 && (Format.Channels == 1 || Format.Channels == 2) &&
         (Format.Bits == 8 || Format.Bits == 16) &&
         Format.BlockAlign == Format.Channels * Format.Bits / 8 &&
         Format.Rate >= uint32_t(DSBFREQUENCY_MIN) && Format.Rate <= uint32_t(DSBFREQUENCY_MAX);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TDirectSound

TDirectSound::TDirectSound(const char* DeviceId) {
  FInterface = TALDevice::Open(DeviceId);
  if (!FInterface) throw EDirectSoundError("DirectSound cannot be initialized");
}

TDirectSound::~TDirectSound() {
  // Buffer objects belong to their owners (the bank, the component); any still registered lose
  // their platform side here, before the device goes.
  while (!Buffers.empty()) {
    TDirectSoundBuffer* buffer = Buffers.back();
    buffer->ReleaseInterface();
    buffer->FDevice = nullptr;
    Buffers.pop_back();
  }
}

TALDevice& TDirectSound::IDSound() const {
  if (!FInterface) throw EDirectSoundError("IDirectSound not made");
  return *FInterface;
}

int32_t TDirectSound::SetCooperativeLevel(int32_t Level) {
  IDSound();
  FCooperativeLevel = Level;
  SetDXResult(DS_OK);
  return DS_OK;
}

bool TDirectSound::Connected() const {
  return FInterface && FInterface->Connected();
}

int32_t TDirectSound::MixRefresh() const {
  return FInterface ? FInterface->Refresh() : 0;
}

void TDirectSound::SetMasterGain(float Gain) {
  FMasterGain = Gain;
  if (!FInterface) return;
  FInterface->MasterGain = Gain;
  FInterface->MakeCurrent();
  FInterface->ApplyListenerGain();
}

void TDirectSound::PauseVoices() {
  for (TDirectSoundBuffer* buffer : Buffers) {
    const TALVoice* voice = buffer->Interface();
    if (voice && !voice->Primary && voice->Playing()) {
      voice->Pause();
      FPaused.push_back(buffer);
    }
  }
}

void TDirectSound::ResumeVoices() {
  for (TDirectSoundBuffer* buffer : FPaused) {
    // A buffer freed while the game was paused is no longer registered.
    if (std::find(Buffers.begin(), Buffers.end(), buffer) == Buffers.end()) continue;
    const TALVoice* voice = buffer->Interface();
    // A cue may have restarted the clip, or the buffer lost its voice, while the game was paused.
    if (voice && voice->State() == AL_PAUSED) voice->Play();
  }
  FPaused.clear();
}

bool TDirectSound::Reconnect() {
  if (Connected()) return true;
  const auto now = std::chrono::steady_clock::now();
  if (FLastReconnect != std::chrono::steady_clock::time_point{} &&
      now - FLastReconnect < std::chrono::seconds(1))
    return false;
  FLastReconnect = now;
  std::unique_ptr<TALDevice> fresh = TALDevice::Open(nullptr);
  if (!fresh) {
    if (FInterface) FInterface->MakeCurrent();
    return false;
  }
  // Everything made on the old device goes with it; the primary buffers come back at once,
  // the clip buffers when the listeners restore them.
  std::vector<TDirectSoundBuffer*> primaries;
  if (FInterface) FInterface->MakeCurrent();
  for (TDirectSoundBuffer* buffer : Buffers) {
    if (buffer->Interface() && buffer->Interface()->Primary) primaries.push_back(buffer);
    buffer->ReleaseInterface();
  }
  FInterface = std::move(fresh);
  FInterface->MakeCurrent();
  FInterface->MasterGain = FMasterGain;
  FPaused.clear(); // the voices that were paused went with the old device
  for (TDirectSoundBuffer* buffer : primaries) {
    TDSBufferDesc desc;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    buffer->CreateBuffer(desc);
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// TDirectSoundBuffer

TDirectSoundBuffer::TDirectSoundBuffer(TDirectSound* Device) : FDevice(Device) {
  if (FDevice) FDevice->Buffers.push_back(this);
}

TDirectSoundBuffer::~TDirectSoundBuffer() {
  ReleaseInterface();
  if (FDevice) {
    auto& list = FDevice->Buffers;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

TALVoice& TDirectSoundBuffer::Voice() {
  if (!FInterface) throw EDirectSoundBufferError("IDirectSoundBuffer not made");
  FInterface->Dev->MakeCurrent();
  return *FInterface;
}

void TDirectSoundBuffer::ReleaseInterface() {
  FInterface.reset();
  FLockRegion1 = FLockRegion2 = nullptr;
  FLockSize1 = FLockSize2 = FLockCount = 0;
}

void TDirectSoundBuffer::Attach(std::unique_ptr<TALVoice> Voice) {
  FInterface = std::move(Voice);
  FCaps = TDSBCaps{};
  FFormat.clear();
  if (FInterface->Primary) {
    // The mix the device produces: 16-bit stereo at the device's rate.
    const uint32_t rate = uint32_t(FInterface->Dev->Frequency());
    const uint8_t format[16] = {1,
                                0,
                                2,
                                0,
                                uint8_t(rate),
                                uint8_t(rate >> 8),
                                uint8_t(rate >> 16),
                                uint8_t(rate >> 24),
                                uint8_t(rate * 4),
                                uint8_t(rate * 4 >> 8),
                                uint8_t(rate * 4 >> 16),
                                uint8_t(rate * 4 >> 24),
                                4,
                                0,
                                16,
                                0};
    FFormat.assign(format, format + 16);
    FCaps.dwFlags = DSBCAPS_PRIMARYBUFFER;
  } else {
    FCaps.dwFlags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
    FCaps.dwBufferBytes = uint32_t(FInterface->Clip->Memory.size());
  }
}

bool TDirectSoundBuffer::CreateBuffer(const TDSBufferDesc& Desc) {
  ReleaseInterface();
  if (!FDevice) {
    SetDXResult(DSERR_INVALIDCALL);
    return false;
  }
  const TALDevice& dev = FDevice->IDSound();
  dev.MakeCurrent();
  if (Desc.dwSize != 36) {
    SetDXResult(DSERR_INVALIDPARAM);
    return false;
  }
  if (Desc.dwFlags & DSBCAPS_PRIMARYBUFFER) {
    if (Desc.dwBufferBytes != 0 || Desc.lpwfxFormat) {
      SetDXResult(DSERR_INVALIDPARAM);
      return false;
    }
    auto voice = std::make_unique<TALVoice>(&dev);
    voice->Primary = true;
    Attach(std::move(voice));
    SetDXResult(DS_OK);
    return true;
  }

  TPcmFormat format;
  if (!ParsePcmFormat(Desc.lpwfxFormat, Desc.FormatSize, format)) {
    SetDXResult(DSERR_BADFORMAT);
    return false;
  }
  if (Desc.dwBufferBytes < 4 || Desc.dwBufferBytes > 0x0FFFFFFF ||
      Desc.dwBufferBytes < format.BlockAlign) {
    SetDXResult(DSERR_INVALIDPARAM);
    return false;
  }
  auto clip = std::make_shared<TALClip>(&dev);
  clip->Rate = int32_t(format.Rate);
  clip->BlockAlign = format.BlockAlign;
  clip->Channels = format.Channels;
  clip->Bits = format.Bits;
  clip->Memory.assign(Desc.dwBufferBytes, format.Bits == 8 ? 0x80 : 0); // silence
  if (!clip->MakeBuffer()) {
    SetDXResult(DSERR_OUTOFMEMORY);
    return false;
  }
  std::unique_ptr<TALVoice> voice;
  if (!clip->Upload() || !(voice = TALVoice::On(clip))) {
    SetDXResult(DSERR_OUTOFMEMORY);
    return false;
  }
  Attach(std::move(voice));
  FFormat.assign(Desc.lpwfxFormat, Desc.lpwfxFormat + Desc.FormatSize);
  FCaps.dwFlags |= Desc.dwFlags & (DSBCAPS_STICKYFOCUS | DSBCAPS_GLOBALFOCUS);
  SetDXResult(DS_OK);
  return true;
}

void TDirectSoundBuffer::CreateFromFormat(const uint8_t* Format, int32_t FormatSize, int32_t Size) {
  TDSBufferDesc desc;
  desc.dwFlags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
  if (FDevice && FDevice->StickyFocus)
    desc.dwFlags |= DSBCAPS_STICKYFOCUS;
  else if (FDevice && FDevice->GlobalFocus)
    desc.dwFlags |= DSBCAPS_GLOBALFOCUS;
  desc.dwBufferBytes = uint32_t(std::max(Size, 0));
  desc.lpwfxFormat = Format;
  desc.FormatSize = FormatSize;
  if (!CreateBuffer(desc)) throw EDirectSoundBufferError("Sound Buffer cannot be made");
}

void TDirectSoundBuffer::LoadFromMemory(const uint8_t* Format, int32_t FormatSize,
                                        const uint8_t* Samples, int32_t Size) {
  CreateFromFormat(Format, FormatSize, Size);
  if (!Samples) return;
  void *region1, *region2;
  int32_t size1, size2;
  if (!Lock(0, Size, region1, size1, region2, size2)) {
    ReleaseInterface();
    throw EDirectSoundBufferError("Sound Buffer cannot be locked");
  }
  std::memcpy(region1, Samples, size_t(size1));
  if (region2) std::memcpy(region2, Samples + size1, size_t(size2));
  Unlock();
}

void TDirectSoundBuffer::LoadFromWave(const TWave& Wave) {
  LoadFromMemory(Wave.Format(), Wave.FormatSize(), Wave.Data(), Wave.DataSize());
}

void TDirectSoundBuffer::Assign(const TDirectSoundBuffer* Source) {
  if (Source == this) return;
  if (!Source || !Source->Interface()) {
    ReleaseInterface();
    return;
  }
  const TALVoice& from = *Source->Interface();
  if (!FDevice) throw EDirectSoundError("IDirectSound not made");
  // Voices share a clip only on the device that holds it; a primary mix has no samples.
  if (from.Primary || &FDevice->IDSound() != from.Dev) {
    SetDXResult(DSERR_INVALIDCALL);
    return;
  }
  std::unique_ptr<TALVoice> voice = TALVoice::On(from.Clip);
  if (!voice) {
    SetDXResult(DSERR_OUTOFMEMORY);
    return;
  }
  ReleaseInterface();
  Attach(std::move(voice));
  FFormat = Source->FFormat;
  SetDXResult(DS_OK);
}

bool TDirectSoundBuffer::Lock(int32_t Offset, int32_t Size, void*& Region1, int32_t& Size1,
                              void*& Region2, int32_t& Size2) {
  Region1 = Region2 = nullptr;
  Size1 = Size2 = 0;
  if (FLockCount > 0 || !FInterface) return false;
  if (FInterface->Primary) {
    SetDXResult(DSERR_INVALIDCALL);
    return false;
  }
  auto& memory = FInterface->Clip->Memory;
  const int64_t bytes = int64_t(memory.size());
  if (Offset < 0 || Offset >= bytes || Size <= 0 || Size > bytes) {
    SetDXResult(DSERR_INVALIDPARAM);
    return false;
  }
  Size1 = int32_t(std::min<int64_t>(Size, bytes - Offset));
  Region1 = memory.data() + Offset;
  if (Size > Size1) {
    Region2 = memory.data();
    Size2 = Size - Size1;
  }
  FLockRegion1 = Region1;
  FLockRegion2 = Region2;
  FLockSize1 = Size1;
  FLockSize2 = Size2;
  FLockCount = 1;
  SetDXResult(DS_OK);
  return true;
}

void TDirectSoundBuffer::Unlock() {
  if (FLockCount == 0 || !FInterface) return;
  FLockCount = 0;
  FLockRegion1 = FLockRegion2 = nullptr;
  FLockSize1 = FLockSize2 = 0;
  SetDXResult(FInterface->Clip->Upload() ? DS_OK : DSERR_INVALIDPARAM);
}

int32_t TDirectSoundBuffer::Status() {
  TALVoice& voice = Voice();
  if (!FDevice || !FDevice->Connected()) {
    SetDXResult(DSERR_BUFFERLOST);
    return DSBSTATUS_BUFFERLOST;
  }
  SetDXResult(DS_OK);
  if (voice.Primary || !voice.Playing()) return 0;
  return DSBSTATUS_PLAYING | (voice.Looping ? DSBSTATUS_LOOPING : 0);
}

void TDirectSoundBuffer::Play(bool Loop) {
  Voice();
  if (!FDevice->Connected()) {
    SetDXResult(DSERR_BUFFERLOST); // may restore everything, this buffer's voice included
    if (!FInterface || !FDevice->Connected()) return;
  }
  TALVoice& voice = Voice();
  if (voice.Primary) {
    SetDXResult(DS_OK);
    return;
  }
  voice.SetLooping(Loop);
  // Playing a buffer that already plays only changes its looping; OpenAL would restart it.
  if (!voice.Playing()) voice.Play();
  SetDXResult(DS_OK);
}

void TDirectSoundBuffer::Stop() {
  TALVoice& voice = Voice();
  if (!voice.Primary && voice.Playing()) voice.Pause();
  SetDXResult(DS_OK);
}

void TDirectSoundBuffer::SetPosition(int32_t Bytes) {
  TALVoice& voice = Voice();
  if (voice.Primary || Bytes < 0 || size_t(Bytes) >= voice.Clip->Memory.size()) {
    SetDXResult(voice.Primary ? DSERR_INVALIDCALL : DSERR_INVALIDPARAM);
    return;
  }
  // Offsets go by frames: OpenAL holds the clip in its own layout.
  voice.SetFrameOffset(Bytes / voice.Clip->BlockAlign);
  SetDXResult(DS_OK);
}

int32_t TDirectSoundBuffer::Position() {
  TALVoice& voice = Voice();
  if (voice.Primary) return 0;
  return voice.FrameOffset() * voice.Clip->BlockAlign;
}

void TDirectSoundBuffer::SetFrequency(int32_t Hz) {
  TALVoice& voice = Voice();
  if (voice.Primary || (Hz != 0 && (Hz < DSBFREQUENCY_MIN || Hz > DSBFREQUENCY_MAX))) {
    SetDXResult(voice.Primary ? DSERR_INVALIDCALL : DSERR_INVALIDPARAM);
    return;
  }
  voice.Frequency = Hz;
  const float pitch = Hz == 0 ? 1.0f : float(Hz) / float(voice.Clip->Rate);
  voice.SetPitch(pitch);
  SetDXResult(DS_OK);
}

int32_t TDirectSoundBuffer::Frequency() {
  TALVoice& voice = Voice();
  return voice.Primary ? 0 : (voice.Frequency == 0 ? voice.Clip->Rate : voice.Frequency);
}

void TDirectSoundBuffer::SetPan(int32_t Value) {
  TALVoice& voice = Voice();
  if (voice.Primary || Value < DSBPAN_LEFT || Value > DSBPAN_RIGHT) {
    SetDXResult(voice.Primary ? DSERR_INVALIDCALL : DSERR_INVALIDPARAM);
    return;
  }
  // The near side keeps its level; the far side loses |Value| hundredths of a decibel.
  if (Value == voice.Pan && (Value == 0) == (voice.PanBuffer == 0)) {
    SetDXResult(DS_OK);
    return;
  }
  voice.Pan = Value;
  SetDXResult(voice.ApplyPan() ? DS_OK : DSERR_OUTOFMEMORY);
}

int32_t TDirectSoundBuffer::Pan() {
  return Voice().Pan;
}

void TDirectSoundBuffer::SetVolume(int32_t Value) {
  TALVoice& voice = Voice();
  if (Value < DSBVOLUME_MIN || Value > DSBVOLUME_MAX) {
    SetDXResult(DSERR_INVALIDPARAM);
    return;
  }
  voice.Volume = Value;
  const float gain = Value <= DSBVOLUME_MIN ? 0.0f : std::pow(10.0f, float(Value) / 2000.0f);
  voice.SetGain(gain);
  SetDXResult(DS_OK);
}

int32_t TDirectSoundBuffer::Volume() {
  return Voice().Volume;
}

void TDirectSoundBuffer::Check() {
  if (DXResult() != DSERR_BUFFERLOST || !FDevice || FDevice->Restoring) return;
  FDevice->Restoring = true;
  try {
    if (FDevice->Reconnect()) FDevice->DoRestore();
  } catch (...) {
    FDevice->Restoring = false;
    throw;
  }
  FDevice->Restoring = false;
}

// ---------------------------------------------------------------------------------------------
// The device component

void TDXSoundDirectSound::DoRestore() {
  FDXSound->Restore();
}

TCustomDXSound::TCustomDXSound(TComponent* Owner) : TComponent(Owner) {}

TCustomDXSound::~TCustomDXSound() {
  Finalize();
  std::vector<TListener> listeners = FListeners;
  for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
    it->Handler(this, dsntDestroying);
  FListeners.clear();
}

void TCustomDXSound::SetOptions(TDXSoundOptions Value) {
  if (FInitialized) {
    // The exclusive level was fixed when the device came up.
    Value = TDXSoundOptions((Value & ~soExclusive) | (FOptions & soExclusive));
    FDevice->GlobalFocus = (Value & soGlobalFocus) != 0;
    FDevice->StickyFocus = (Value & soStickyFocus) != 0;
  }
  FOptions = Value;
}

void TCustomDXSound::Loaded() {
  if (!AutoInitialize) return;
  try {
    Initialize();
  } catch (const EDirectSoundError&) {
    // No sound device (or a clip the device refused): the game goes on, silent where it must.
  }
}

void TCustomDXSound::Initialize() {
  Finalize();
  const TComponent* form = Owner();
  while (form && !form->IsForm()) form = form->Owner();
  if (!form) throw EDXSoundError("Form not found");

  Notify(dsntInitializing);
  DoInitializing();

  FSetUp = true;
  try {
    FDevice = std::make_unique<TDXSoundDirectSound>(this);
    FDevice->GlobalFocus = (FOptions & soGlobalFocus) != 0;
    FPrimary = std::make_unique<TDirectSoundBuffer>(FDevice.get());
    TDSBufferDesc desc;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (!FPrimary->CreateBuffer(desc)) throw EDXSoundError("Primary Buffer cannot be made");
    FInitialized = true;
    // No window hook is needed: OpenAL mixes for the whole process whatever has the focus.
    FDevice->SetCooperativeLevel((FOptions & soExclusive) ? DSSCL_EXCLUSIVE : DSSCL_NORMAL);
  } catch (...) {
    Finalize();
    throw;
  }

  Notify(dsntInitialize);
  DoInitialize();
  FCalledDoInitialize = true;
  Restore();
}

void TCustomDXSound::Finalize() {
  if (FSetUp) {
    FSetUp = false;
    if (FCalledDoInitialize) {
      FCalledDoInitialize = false;
      DoFinalize();
    }
    Notify(dsntFinalize);
  }
  FInitialized = false;
  SetOptions(FOptions);
  FPrimary.reset();
  FDevice.reset();
}

void TCustomDXSound::Restore() {
  if (!FInitialized) return;
  Notify(dsntRestore);
  DoRestore();
}

void TCustomDXSound::RegisterListener(TDXSoundNotifyEvent Handler, const void* Object) {
  FListeners.push_back({Handler, Object});
  if (FInitialized) {
    Handler(this, dsntInitialize);
    Handler(this, dsntRestore);
  }
}

void TCustomDXSound::UnregisterListener(const void* Object) {
  for (auto it = FListeners.begin(); it != FListeners.end(); ++it) {
    if (it->Object != Object) continue;
    TDXSoundNotifyEvent handler = it->Handler;
    FListeners.erase(it);
    if (FInitialized) handler(this, dsntFinalize);
    return;
  }
}

void TCustomDXSound::Notify(TDXSoundNotifyType Type) {
  // A handler may unregister itself; walk a copy.
  std::vector<TListener> listeners = FListeners;
  for (auto& listener : listeners) listener.Handler(this, Type);
}

void TCustomDXSound::DoFinalize() {
  if (OnFinalize) OnFinalize(this);
}
void TCustomDXSound::DoInitialize() {
  if (OnInitialize) OnInitialize(this);
}
void TCustomDXSound::DoInitializing() {
  if (OnInitializing) OnInitializing(this);
}
void TCustomDXSound::DoRestore() {
  if (OnRestore) OnRestore(this);
}
