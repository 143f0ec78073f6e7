// The allocator setting the shell makes at start-up: memory that is freed stays with the process,
// where a software renderer takes it again next frame without a page fault.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

#if defined(__GLIBC__)
#include <unistd.h>
#endif

#include "platform/Platform.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GLOOPA_OWN_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define GLOOPA_OWN_ALLOCATOR 1
#endif

TEST(PlatformMemory, FreedMemoryStaysWithTheProcess) {
#if !defined(__GLIBC__) || defined(GLOOPA_OWN_ALLOCATOR)
  GTEST_SKIP() << "only the GNU C library's allocator has these settings";
#else
  PlatformKeepFreedMemory();
  // A block of a few megabytes comes from the top of the heap, not from a map of its own that
  // free would unmap...
  const size_t size = size_t(8) << 20;
  char* const topBefore = static_cast<char*>(sbrk(0));
  char* const block = static_cast<char*>(std::malloc(size));
  ASSERT_NE(block, nullptr);
  std::memset(block, 1, size);
  char* const topWith = static_cast<char*>(sbrk(0));
  EXPECT_GE(topWith - topBefore, std::ptrdiff_t(size)) << "the block was mapped on its own";
  // ...and freeing it leaves the heap as large as it was.
  std::free(block);
  EXPECT_EQ(static_cast<char*>(sbrk(0)), topWith) << "the heap was trimmed";
#endif
}
