#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sound/DXClass.h"
#include "sound/Wave.h"

// The sound device and its buffers, the device component that brings the device up and tells
// its listeners when to build, drop or rebuild buffers, and the named bank of clips.
//
// The platform underneath is OpenAL (loaded at run time, ALDevice.h names the library): a
// device with one context stands for the sound device, an OpenAL buffer holds a clip's samples,
// and each playable copy of a clip is an OpenAL source on that one buffer. Results of platform
// calls are reported in the familiar result codes below so callers can tell a lost device from
// a bad argument.

// Results kept in DXResult.
constexpr int32_t DS_OK = 0;
constexpr int32_t DSERR_BUFFERLOST = int32_t(0x88780096u);
constexpr int32_t DSERR_INVALIDPARAM = int32_t(0x80070057u);
constexpr int32_t DSERR_INVALIDCALL = int32_t(0x88780032u);
constexpr int32_t DSERR_BADFORMAT = int32_t(0x88780064u);
constexpr int32_t DSERR_OUTOFMEMORY = int32_t(0x8007000Eu);
constexpr int32_t DSERR_GENERIC = int32_t(0x80004005u);

// Buffer description flags.
constexpr uint32_t DSBCAPS_PRIMARYBUFFER = 0x1;
constexpr uint32_t DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr uint32_t DSBCAPS_CTRLPAN = 0x40;
constexpr uint32_t DSBCAPS_CTRLVOLUME = 0x80;
constexpr uint32_t DSBCAPS_STICKYFOCUS = 0x4000;
constexpr uint32_t DSBCAPS_GLOBALFOCUS = 0x8000;
constexpr uint32_t DSBPLAY_LOOPING = 0x1;
constexpr int32_t DSBSTATUS_PLAYING = 0x1;
constexpr int32_t DSBSTATUS_BUFFERLOST = 0x2;
constexpr int32_t DSBSTATUS_LOOPING = 0x4;
constexpr int32_t DSSCL_NORMAL = 1;
constexpr int32_t DSSCL_EXCLUSIVE = 3;
// Limits of the per-voice controls: rate in Hz, pan and volume in hundredths of a decibel.
constexpr int32_t DSBFREQUENCY_MIN = 100;
constexpr int32_t DSBFREQUENCY_MAX = 100000;
constexpr int32_t DSBPAN_LEFT = -10000;
constexpr int32_t DSBPAN_RIGHT = 10000;
constexpr int32_t DSBVOLUME_MIN = -10000;
constexpr int32_t DSBVOLUME_MAX = 0;

// A buffer description. The format block travels with its byte count so that it is never read
// past its end.
struct TDSBufferDesc {
  uint32_t dwSize = 36;
  uint32_t dwFlags = 0;
  uint32_t dwBufferBytes = 0;
  uint32_t dwReserved = 0;
  const uint8_t* lpwfxFormat = nullptr;
  int32_t FormatSize = 0;
};

struct TDSBCaps {
  uint32_t dwSize = 20;
  uint32_t dwFlags = 0;
  uint32_t dwBufferBytes = 0;
  uint32_t dwUnlockTransferRate = 0;
  uint32_t dwPlayCpuOverhead = 0;
};

class EDirectSoundError : public EDirectXError {
public:
  using EDirectXError::EDirectXError;
};

class EDirectSoundBufferError : public EDirectSoundError {
public:
  using EDirectSoundError::EDirectSoundError;
};

class EDXSoundError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct TALDevice; // the opened device with its context and the library's entry points
struct TALVoice;  // one playable copy: a source on a shared clip buffer (or the primary mix)
class TDirectSoundBuffer;

class TDirectSound : public TDirectX {
public:
  // Opens the named device, or the default one when DeviceId is null. Raises EDirectSoundError
  // "DirectSound cannot be initialized" when no device can be opened, and the loader's
  // "libopenal.so.1 not loaded" when the library is missing.
  explicit TDirectSound(const char* DeviceId = nullptr);
  ~TDirectSound() override;

  // The platform device; raises EDirectSoundError "IDirectSound not made" when there is none.
  TALDevice& IDSound() const;
  bool HasInterface() const { return FInterface != nullptr; }

  std::vector<TDirectSoundBuffer*> Buffers; // registered by each buffer made on this device
  bool GlobalFocus = false;
  bool StickyFocus = false;
  bool Restoring = false;

  // There is no window to cooperate with here; the level is recorded and always accepted.
  int32_t SetCooperativeLevel(int32_t Level);
  int32_t CooperativeLevel() const { return FCooperativeLevel; }

  // False once the platform reports the output gone (unplugged, server stopped).
  bool Connected() const;
  // Mixing periods per second of the open device: changes to what plays (a restart, a stop)
  // take effect at the start of the next period.
  int32_t MixRefresh() const;
  // After a loss: opens the default device anew and moves onto it, dropping every buffer's
  // platform interface (the listeners rebuild them on restore). True when the device is usable,
  // also when it was never lost. A failing attempt leaves everything as it was and is not
  // repeated within a second, so a game without output does not retry every frame.
  bool Reconnect();

  virtual void DoRestore() {}

  // The player's level over the whole mix, 0 (silent) to 1 (the game's own level); kept across a
  // reconnect.
  void SetMasterGain(float Gain);
  // Pauses every clip that plays, and plays them on from where they were.
  void PauseVoices();
  void ResumeVoices();

private:
  std::unique_ptr<TALDevice> FInterface;
  float FMasterGain = 1;
  std::vector<TDirectSoundBuffer*> FPaused;
  int32_t FCooperativeLevel = 0;
  std::chrono::steady_clock::time_point FLastReconnect{};
};

class TDirectSoundBuffer : public TDirectX {
public:
  explicit TDirectSoundBuffer(TDirectSound* Device);
  ~TDirectSoundBuffer() override;
  TDirectSoundBuffer(const TDirectSoundBuffer&) = delete;
  TDirectSoundBuffer& operator=(const TDirectSoundBuffer&) = delete;

  TDirectSound* Device() const { return FDevice; }
  TALVoice* Interface() const { return FInterface.get(); }
  const TDSBCaps& Caps() const { return FCaps; }
  const std::vector<uint8_t>& BufferFormat() const { return FFormat; }
  int32_t BufferFormatSize() const { return int32_t(FFormat.size()); }

  bool CreateBuffer(const TDSBufferDesc& Desc);
  void CreateFromFormat(const uint8_t* Format, int32_t FormatSize, int32_t Size);
  void LoadFromMemory(const uint8_t* Format, int32_t FormatSize, const uint8_t* Samples,
                      int32_t Size);
  void LoadFromWave(const TWave& Wave);
  void Assign(const TWave& Wave) { LoadFromWave(Wave); }
  // Duplicates Source onto the same sample memory; without a source, or from a source without
  // an interface, this buffer is left without one.
  void Assign(const TDirectSoundBuffer* Source);
  void ReleaseInterface();

  // At most one lock at a time. The regions wrap round the end of the buffer.
  bool Lock(int32_t Offset, int32_t Size, void*& Region1, int32_t& Size1, void*& Region2,
            int32_t& Size2);
  void Unlock();
  int32_t LockCount() const { return FLockCount; }

  int32_t Status();
  bool IsPlaying() { return (Status() & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING)) != 0; }
  void Play(bool Loop = false);
  // Stops in place: playing again resumes from here unless the position is set.
  void Stop();
  void SetPosition(int32_t Bytes);
  int32_t Position();
  void SetFrequency(int32_t Hz); // 0: the clip's own rate
  int32_t Frequency();
  void SetPan(int32_t Value); // hundredths of a decibel taken off the far side; 0 centre
  int32_t Pan();
  void SetVolume(int32_t Value); // hundredths of a decibel; 0 full level
  int32_t Volume();

protected:
  void Check() override;

private:
  friend class TDirectSound;
  TALVoice& Voice(); // raises "IDirectSoundBuffer not made"
  void Attach(std::unique_ptr<TALVoice> Voice);

  TDirectSound* FDevice;
  std::unique_ptr<TALVoice> FInterface;
  TDSBCaps FCaps;
  std::vector<uint8_t> FFormat;
  void* FLockRegion1 = nullptr;
  void* FLockRegion2 = nullptr;
  int32_t FLockSize1 = 0, FLockSize2 = 0, FLockCount = 0;
};

// --- the device component ---

enum TDXSoundOption : uint8_t { soGlobalFocus = 1, soStickyFocus = 2, soExclusive = 4 };
using TDXSoundOptions = uint8_t;

// Notifications to listeners.
enum TDXSoundNotifyType : int32_t {
  dsntDestroying = 0,
  dsntInitializing = 1,
  dsntInitialize = 2,
  dsntFinalize = 3,
  dsntRestore = 4
};

class TCustomDXSound;
using TDXSoundNotifyEvent = std::function<void(TCustomDXSound* Sender, TDXSoundNotifyType Type)>;
using TNotifyEvent = std::function<void(TCustomDXSound* Sender)>;

class TDXSoundDirectSound : public TDirectSound {
public:
  explicit TDXSoundDirectSound(TCustomDXSound* DXSound) : FDXSound(DXSound) {}
  void DoRestore() override;

private:
  TCustomDXSound* FDXSound;
};

class TCustomDXSound : public TComponent {
public:
  explicit TCustomDXSound(TComponent* Owner);
  ~TCustomDXSound() override;

  bool AutoInitialize = true;
  TNotifyEvent OnInitializing, OnInitialize, OnFinalize, OnRestore;

  TDXSoundOptions Options() const { return FOptions; }
  void SetOptions(TDXSoundOptions Value);
  bool Initialized() const { return FInitialized; }
  TDXSoundDirectSound* Device() const { return FDevice.get(); }
  TDirectSoundBuffer* PrimaryBuffer() const { return FPrimary.get(); }

  // Called once the owning form and all its components have been set up.
  virtual void Loaded();
  void Initialize();
  void Finalize();
  void Restore();

  // Object identifies the listener for unregistering.
  void RegisterListener(TDXSoundNotifyEvent Handler, const void* Object);
  void UnregisterListener(const void* Object);
  int32_t ListenerCount() const { return int32_t(FListeners.size()); }

protected:
  virtual void DoFinalize();
  virtual void DoInitialize();
  virtual void DoInitializing();
  virtual void DoRestore();

private:
  struct TListener {
    TDXSoundNotifyEvent Handler;
    const void* Object;
  };
  void Notify(TDXSoundNotifyType Type);

  TDXSoundOptions FOptions = 0;
  bool FInitialized = false;
  bool FSetUp = false;
  bool FCalledDoInitialize = false;
  std::unique_ptr<TDXSoundDirectSound> FDevice;
  std::unique_ptr<TDirectSoundBuffer> FPrimary;
  std::vector<TListener> FListeners;
};

class TDXSound : public TCustomDXSound {
public:
  using TCustomDXSound::TCustomDXSound;
};

// --- the bank ---

class TWaveCollection;

class TWaveCollectionItem : public THashCollectionItem {
public:
  explicit TWaveCollectionItem(TWaveCollection* Collection);
  ~TWaveCollectionItem() override;

  TWaveCollection* WaveCollection() const;
  TWave Wave;
  int32_t Frequency = 0, Pan = 0, Volume = 0;

  bool Looped() const { return FLooped; }
  void SetLooped(bool Value);
  int32_t MaxPlayingCount() const { return FMaxPlayingCount; }
  void SetMaxPlayingCount(int32_t Value);
  bool Initialized() const { return FInitialized; }
  TDirectSoundBuffer* MainBuffer() const { return FMainBuffer.get(); }
  int32_t CopyCount() const { return int32_t(FCopies.size()); }
  TDirectSoundBuffer* Copy(int32_t Index) const { return FCopies.at(size_t(Index)).get(); }

  void Assign(const TWaveCollectionItem& Source);
  void Initialize();
  void Finalize();
  void Restore();
  TDirectSoundBuffer* GetBuffer();
  std::unique_ptr<TDirectSoundBuffer> CreateCopy();
  void Play(bool Wait = false);
  void Stop();

private:
  bool FLooped = false;
  int32_t FMaxPlayingCount = 0;
  bool FInitialized = false;
  std::unique_ptr<TDirectSoundBuffer> FMainBuffer;
  std::vector<std::unique_ptr<TDirectSoundBuffer>> FCopies; // oldest first
};

class TWaveCollection : public THashCollection {
public:
  TWaveCollectionItem* Add();
  TWaveCollectionItem* Items(int32_t Index) const {
    return static_cast<TWaveCollectionItem*>(GetItem(Index));
  }
  TWaveCollectionItem* Find(const std::string& Name) const;

  TCustomDXSound* DXSound() const { return FDXSound; }
  bool Initialized() const { return FDXSound && FDXSound->Initialized(); }
  void Initialize(TCustomDXSound* Sound);
  void Finalize();
  void Restore();

private:
  TCustomDXSound* FDXSound = nullptr;
};

class TDXWaveList : public TComponent {
public:
  explicit TDXWaveList(TComponent* Owner) : TComponent(Owner) {}
  ~TDXWaveList() override;

  TCustomDXSound* DXSound() const { return FDXSound; }
  void SetDXSound(TCustomDXSound* Value);
  TWaveCollection& Items() { return FItems; }

private:
  void Notified(TCustomDXSound* Sender, TDXSoundNotifyType Type);

  TCustomDXSound* FDXSound = nullptr;
  TWaveCollection FItems;
};
