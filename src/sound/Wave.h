#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

// Clip data: the raw format block and sample bytes of a RIFF WAVE image, and the reader that
// takes them out of such an image. Nothing here interprets the samples.

enum TSeekOrigin { soFromBeginning, soFromCurrent, soFromEnd };

// A short read where an exact count was needed ("Stream read error").
class EReadError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class EWaveStreamError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The little stream layer the reader works on: Read returns how many bytes it delivered,
// ReadBuffer insists on all of them.
class TStream {
public:
  virtual ~TStream() = default;
  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
  virtual int64_t Size() = 0;
  int64_t Position() { return Seek(0, soFromCurrent); }
  void SetPosition(int64_t Value) { Seek(Value, soFromBeginning); }
  void ReadBuffer(void* Buffer, int64_t Count);
};

// A read-only stream over bytes it does not own (the clips built into the program). The
// position may be moved past the end; reads there deliver nothing.
class TMemoryReadStream : public TStream {
public:
  TMemoryReadStream(const void* Memory, int64_t Size);
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return FSize; }

private:
  const uint8_t* FMemory;
  int64_t FSize;
  int64_t FPosition = 0;
};

// One clip: the body of the "fmt " chunk and the body of the "data" chunk, byte for byte.
class TWave {
public:
  // The sample block grows and shrinks in whole blocks of this many bytes.
  static constexpr int32_t DataBlockSize = 8096;

  TWave() = default;
  ~TWave() { Clear(); }
  TWave(const TWave&) = delete;
  TWave& operator=(const TWave&) = delete;
  TWave(TWave&&) = default;
  TWave& operator=(TWave&&) = default;

  const uint8_t* Format() const { return FFormat.empty() ? nullptr : FFormat.data(); }
  uint8_t* Format() { return FFormat.empty() ? nullptr : FFormat.data(); }
  int32_t FormatSize() const { return int32_t(FFormat.size()); }
  // Allocated to exactly Value bytes (negative taken as 0); keeps the leading bytes.
  void SetFormatSize(int32_t Value);

  const uint8_t* Data() const { return FDataSize == 0 ? nullptr : FData.data(); }
  uint8_t* Data() { return FDataSize == 0 ? nullptr : FData.data(); }
  int32_t DataSize() const { return FDataSize; }
  // Reserves whole blocks (negative taken as 0) and reallocates only when the block count
  // changes; keeps the leading bytes.
  void SetDataSize(int32_t Value);
  // Bytes currently reserved for the samples.
  int64_t DataCapacity() const { return int64_t(FData.size()); }

  void Clear();
  void LoadFromStream(TStream& Source);
  void Assign(const TWave* Other);

private:
  std::vector<uint8_t> FFormat;
  std::vector<uint8_t> FData;
  int32_t FDataSize = 0;
};

// Reads a RIFF WAVE image from a source stream, starting where the source stood when the reader
// was made; once opened it presents the samples of the "data" chunk as a stream of its own.
class TWaveStream : public TStream {
public:
  explicit TWaveStream(TStream& Source);

  void Open(bool ReadMode = true);
  bool Opened() const { return FOpened; }
  bool ReadMode() const { return FReadMode; }
  const uint8_t* FormatBlock() const { return FFormat.empty() ? nullptr : FFormat.data(); }
  int32_t FormatSize() const { return int32_t(FFormat.size()); }
  int64_t DataStart() const { return FDataStart; }
  int32_t DataSize() const { return FDataSize; }
  // Sample bytes the source really holds from DataStart on, at most DataSize.
  int64_t DataAvailable();

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override;

private:
  TStream& FSource;
  int64_t FStart;
  bool FOpened = false;
  bool FReadMode = false;
  std::vector<uint8_t> FFormat;
  int64_t FDataStart = 0;
  int32_t FDataSize = 0;
  int64_t FPosition = 0;
};
