// libFuzzer target: any bytes as a bitmap file, decoded both plain and masked. Every byte of a
// decoded picture is read, so a buffer shorter than its stated size is caught by ASan.
#include <cstdint>
#include <stdexcept>

#include "assets/VexLib3D.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  for (const bool masked : {false, true}) {
    int32_t width = 0, height = 0;
    try {
      const auto pixels = TMS3DObj::DecodeBitmap(Data, Size, masked, width, height);
      const size_t bytes = size_t(width) * size_t(height) * (masked ? 4 : 3);
      volatile uint8_t sink = 0;
      for (size_t i = 0; i < bytes; ++i) sink = sink ^ pixels[i];
    } catch (const std::runtime_error&) {
    }
  }
  return 0;
}
