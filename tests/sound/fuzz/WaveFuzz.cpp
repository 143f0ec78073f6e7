// libFuzzer target: any bytes as a RIFF image. The reader must either load a clip whose sizes
// agree with its blocks or raise one of its errors, and never read outside the input.
#include <cstdint>
#include <cstring>
#include <vector>

#include "sound/Wave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  // A private copy of exactly Size bytes, so that any read past the end is caught.
  std::vector<uint8_t> image(Data, Data + Size);
  TMemoryReadStream stream(image.data(), int64_t(image.size()));
  TWave wave;
  try {
    wave.LoadFromStream(stream);
  } catch (const EWaveStreamError&) {
    return 0;
  } catch (const EReadError&) {
    return 0;
  }
  if (wave.DataSize() > int32_t(Size) || wave.FormatSize() > int32_t(Size)) __builtin_trap();
  if (wave.DataCapacity() < wave.DataSize()) __builtin_trap();
  uint8_t sum = 0;
  for (int32_t i = 0; i < wave.DataSize(); ++i) sum = uint8_t(sum ^ wave.Data()[i]);
  volatile uint8_t sink = sum; // every sample byte is touched
  (void)sink;
  return 0;
}
