#include "sound/Wave.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/LittleEndian.h"

namespace {

// Where a seek from Origin by Offset lands, before any clamping to the stream: never below 0, and
// a chunk size can be anything up to 4 GiB, so the sum is kept from overflowing.
int64_t SeekTarget(int64_t Offset, TSeekOrigin Origin, int64_t Position, int64_t Size) {
  const int64_t base = Origin == soFromCurrent ? Position : Origin == soFromEnd ? Size : 0;
  if (Offset > 0 && base > std::numeric_limits<int64_t>::max() - Offset)
    return std::numeric_limits<int64_t>::max();
  return std::max<int64_t>(base + Offset, 0);
}

} // namespace

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

TMemoryReadStream::TMemoryReadStream(const void* Memory, int64_t Size)
    : FMemory(static_cast<const uint8_t*>(Memory)), FSize(Memory ? std::max<int64_t>(Size, 0) : 0) {
}

int64_t TMemoryReadStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0 || FPosition >= FSize) return 0;
  const int64_t n = std::min(Count, FSize - FPosition);
  std::memcpy(Buffer, FMemory + FPosition, size_t(n));
  FPosition += n;
  return n;
}

int64_t TMemoryReadStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  FPosition = SeekTarget(Offset, Origin, FPosition, FSize);
  return FPosition;
}

// --- TWave ---

void TWave::SetFormatSize(int32_t Value) {
  FFormat.resize(size_t(std::max(Value, 0)));
  FFormat.shrink_to_fit();
}

void TWave::SetDataSize(int32_t Value) {
  Value = std::max(Value, 0);
  const int64_t blocks = (int64_t(Value) + DataBlockSize - 1) / DataBlockSize;
  const int64_t reserved = blocks * DataBlockSize;
  if (reserved != int64_t(FData.size())) {
    FData.resize(size_t(reserved));
    FData.shrink_to_fit();
  }
  FDataSize = Value;
}

void TWave::Clear() {
  std::vector<uint8_t>().swap(FFormat);
  std::vector<uint8_t>().swap(FData);
  FDataSize = 0;
}

void TWave::LoadFromStream(TStream& Source) {
  Clear();
  TWaveStream stream(Source);
  stream.Open(true);
  SetFormatSize(stream.FormatSize());
  if (stream.FormatSize() > 0) std::memcpy(FFormat.data(), stream.FormatBlock(), FFormat.size());
  // A header may announce far more samples than the image holds; refuse before reserving room
  // for them, with the same error the short read below would give.
  if (stream.DataAvailable() < stream.DataSize()) {
    Clear();
    throw EReadError("Stream read error");
  }
  SetDataSize(stream.DataSize());
  try {
    stream.ReadBuffer(FData.data(), FDataSize);
  } catch (...) {
    Clear();
    throw;
  }
}

void TWave::Assign(const TWave* Other) {
  if (Other == this) return;
  if (!Other) {
    Clear();
    return;
  }
  SetFormatSize(Other->FormatSize());
  SetDataSize(Other->DataSize());
  if (!FFormat.empty()) std::memcpy(FFormat.data(), Other->FFormat.data(), FFormat.size());
  if (FDataSize > 0) std::memcpy(FData.data(), Other->FData.data(), size_t(FDataSize));
}

// --- TWaveStream ---

TWaveStream::TWaveStream(TStream& Source) : FSource(Source), FStart(Source.Position()) {}

void TWaveStream::Open(bool ReadMode) {
  if (FOpened) throw EWaveStreamError("Stream has already been opened");
  FOpened = true;
  FReadMode = ReadMode;
  if (!ReadMode) return; // Writing images is never needed: the clips are built into the program.

  FSource.SetPosition(FStart);
  uint8_t header[12] = {};
  FSource.Read(header, 12);
  if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
    throw EWaveStreamError("Wave is invalid");

  // Chunk sizes are taken as they stand: no padding byte after an odd size, no comparison with
  // the RIFF size. A later "fmt " or "data" chunk replaces an earlier one.
  uint8_t chunk[8] = {};
  FSource.Read(chunk, 8);
  while (ReadLE32(chunk) != 0) {
    const uint32_t size = ReadLE32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      // Check the size against what is left before allocating: a corrupt size must not make
      // us reserve gigabytes only to fail the read.
      const int64_t left = FSource.Size() - FSource.Position();
      if (int64_t(size) > left) throw EReadError("Stream read error");
      FFormat.assign(size, 0);
      FSource.ReadBuffer(FFormat.data(), size);
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      // The size field is unsigned on disk; the clip sizes are 32-bit signed here, so a value
      // beyond that range can only be a corrupt header.
      if (size > uint32_t(std::numeric_limits<int32_t>::max()))
        throw EReadError("Stream read error");
      FDataSize = int32_t(size);
      FDataStart = FSource.Position();
      FSource.Seek(size, soFromCurrent);
    } else {
      FSource.Seek(size, soFromCurrent);
    }
    std::memset(chunk, 0, sizeof chunk);
    FSource.Read(chunk, 8);
  }
  FPosition = 0;
}

int64_t TWaveStream::DataAvailable() {
  const int64_t left = FSource.Size() - FDataStart;
  return std::clamp<int64_t>(left, 0, FDataSize);
}

int64_t TWaveStream::Size() {
  return FOpened && FReadMode ? FDataSize : 0;
}

int64_t TWaveStream::Read(void* Buffer, int64_t Count) {
  if (!FOpened) throw EWaveStreamError("Stream not opend");
  const int64_t size = Size();
  FPosition = std::clamp<int64_t>(FPosition, 0, size);
  Count = std::clamp<int64_t>(Count, 0, size - FPosition);
  if (Count == 0) return 0;
  FSource.SetPosition(FDataStart + FPosition);
  const int64_t got = FSource.Read(Buffer, Count);
  FPosition += got;
  return got;
}

int64_t TWaveStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  FPosition = std::min(SeekTarget(Offset, Origin, FPosition, Size()), Size());
  return FPosition;
}
