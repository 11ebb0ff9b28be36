// The owner of the loaders' and decoders' blocks: plain and huge-page
// aligned allocation, sizes that do not fit, hand-over of ownership.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include <ornatex/ByteBlock.h>

TEST(ByteBlock, PlainAndHugePagePaths) {
    constexpr std::size_t mib = std::size_t(1) << 20;
    ornatex::ByteBlock plain;
    ASSERT_TRUE(plain.allocate(5 * mib));
    EXPECT_EQ(plain.size(), 5 * mib);
    void* const plainData = plain.data();
    EXPECT_EQ(plain.release(), plainData);  // the plain path starts at the allocation
    std::free(plainData);

    ornatex::ByteBlock huge;
    ASSERT_TRUE(huge.allocate(5 * mib, true));
    EXPECT_EQ(huge.size(), 5 * mib);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(huge.data()) % (2 * mib), 0u);
    std::memset(huge.data(), 0xAB, huge.size());  // every byte is the block's
    EXPECT_EQ(huge.data()[5 * mib - 1], 0xAB);

    // Small blocks are not aligned; a 0-byte block has an address.
    ornatex::ByteBlock small;
    ASSERT_TRUE(small.allocate(0, true));
    EXPECT_NE(small.data(), nullptr);
    EXPECT_EQ(small.size(), 0u);

    ornatex::ByteBlock moved(std::move(huge));
    EXPECT_FALSE(huge);
    EXPECT_EQ(moved.size(), 5 * mib);
}

// Sizes beyond the address space fail before anything is allocated,
// including those that would wrap when narrowed to a 32-bit size.
TEST(ByteBlock, SizesThatDoNotFitAreRefused) {
    ornatex::ByteBlock block;
    EXPECT_FALSE(block.allocate(std::numeric_limits<std::uint64_t>::max()));
    EXPECT_FALSE(block.allocate(std::numeric_limits<std::uint64_t>::max(), true));
    EXPECT_FALSE(block.allocate(std::uint64_t(std::numeric_limits<std::size_t>::max())));
    if (sizeof(std::size_t) == 4) {
        EXPECT_FALSE(block.allocate(std::uint64_t(1) << 32));
    }
    EXPECT_FALSE(block);
    EXPECT_EQ(block.size(), 0u);
}
