#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Every form of operator new and delete that the C++ library or a sanitizer runtime would
// otherwise provide is replaced, so that no block is ever freed by a different family than the
// one that allocated it. Over-aligned forms are left alone: they pair among themselves.

namespace {

std::atomic<bool> Counting{false};
std::atomic<size_t> Counted{0};

void* Allocate(size_t Size) {
  if (Counting.load(std::memory_order_relaxed)) Counted.fetch_add(Size, std::memory_order_relaxed);
  return std::malloc(Size == 0 ? 1 : Size);
}

void* AllocateOrThrow(size_t Size) {
  void* p = Allocate(Size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

} // namespace

TAllocationCount::TAllocationCount() {
  Counted = 0;
  Counting = true;
}
TAllocationCount::~TAllocationCount() {
  Counting = false;
}
size_t TAllocationCount::Bytes() const {
  return Counted;
}

void* operator new(size_t Size) {
  return AllocateOrThrow(Size);
}
void* operator new[](size_t Size) {
  return AllocateOrThrow(Size);
}
void* operator new(size_t Size, const std::nothrow_t&) noexcept {
  return Allocate(Size);
}
void* operator new[](size_t Size, const std::nothrow_t&) noexcept {
  return Allocate(Size);
}
void operator delete(void* P) noexcept {
  std::free(P);
}
void operator delete[](void* P) noexcept {
  std::free(P);
}
void operator delete(void* P, size_t) noexcept {
  std::free(P);
}
void operator delete[](void* P, size_t) noexcept {
  std::free(P);
}
void operator delete(void* P, const std::nothrow_t&) noexcept {
  std::free(P);
}
void operator delete[](void* P, const std::nothrow_t&) noexcept {
  std::free(P);
}
