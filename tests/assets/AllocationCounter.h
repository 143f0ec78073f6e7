#pragma once
// Counts what the program asks of operator new while a TAllocationCount is alive. The global
// operator new and delete of any program linking AllocationCounter.cpp are replaced by ones over
// malloc and free that add to the count; one count at a time.
#include <cstddef>

class TAllocationCount {
public:
  TAllocationCount();
  ~TAllocationCount();
  TAllocationCount(const TAllocationCount&) = delete;
  TAllocationCount& operator=(const TAllocationCount&) = delete;
  // Bytes requested since the count began, freed or not.
  size_t Bytes() const;
};

// The most a model or bitmap file of Size bytes may make the loader allocate: the three section
// tables a file may announce (at most 4096 entries each, about 2 MB together) and a fixed share per
// byte of the file for what its lines hold.
constexpr size_t LoaderAllocationLimit(size_t Size) {
  return (size_t(4) << 20) + 256 * Size;
}
static_assert(LoaderAllocationLimit(64 << 10) <= size_t(64) << 20,
              "a 64 KB file must stay under 64 MB");
