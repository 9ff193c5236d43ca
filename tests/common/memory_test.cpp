// The allocation function on blocks large enough to ask for huge pages: the block is usable end
// to end, a zeroed block reads zero, and the live-block count returns to where it was.
#include "common/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

using namespace varnexo;

TEST(Memory, LargeBlocksAreWholeAndCounted) {
  const int64_t live = memory::live_blocks();
  for (const bool zero : {false, true}) {
    const std::size_t bytes = (std::size_t{48} << 20) + 12345;
    auto* p = static_cast<unsigned char*>(memory::obtain(bytes, zero));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(memory::live_blocks(), live + 1);
    if (zero) {
      for (std::size_t k = 0; k < bytes; k += 4093) ASSERT_EQ(p[k], 0) << k;
    }
    std::memset(p, 0xA5, bytes);
    EXPECT_EQ(p[0], 0xA5);
    EXPECT_EQ(p[bytes - 1], 0xA5);
    memory::release(p);
    EXPECT_EQ(memory::live_blocks(), live);
  }
}

}  // namespace
