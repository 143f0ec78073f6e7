// libFuzzer target: any bytes as a bitmap file, decoded both plain and masked. A decoded picture
// must be as large as its stated size (ASan's poisoning marks where a block ends), and no file may
// make the decoder allocate more than its bytes can hold.
#include <sanitizer/asan_interface.h>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "../AllocationCounter.h"
#include "assets/VexLib3D.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  for (const bool masked : {false, true}) {
    int32_t width = 0, height = 0;
    TAllocationCount count;
    try {
      const auto pixels = TMS3DObj::DecodeBitmap(Data, Size, masked, width, height);
      const size_t bytes = size_t(width) * size_t(height) * (masked ? 4 : 3);
      if (__asan_region_is_poisoned(pixels.get(), bytes) != nullptr) std::abort();
    } catch (const std::runtime_error&) {
    }
    if (count.Bytes() > LoaderAllocationLimit(Size)) std::abort();
  }
  return 0;
}
