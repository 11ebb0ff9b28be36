// tovik's kwStream and ornatex's byte-order readers.
#include <tovik/kwStream.h>

#include <gtest/gtest.h>

#include <ornatex/imageloaders/internal/StreamReaders.h>
#include "LoaderTestSupport.h"

using loadertest::TempDir;
using ornatex::detail::readStreamLong;
using ornatex::detail::readStreamShort;

TEST(KwStream, SwapReversesBytesInPlace) {
    unsigned char four[] = {1, 2, 3, 4};
    kwStream::swap(four, 4);
    EXPECT_EQ(std::vector<unsigned char>(four, four + 4), (std::vector<unsigned char>{4, 3, 2, 1}));
    unsigned char three[] = {1, 2, 3};
    kwStream::swap(three, 3);
    EXPECT_EQ(std::vector<unsigned char>(three, three + 3), (std::vector<unsigned char>{3, 2, 1}));
    unsigned char one[] = {9, 8};
    kwStream::swap(one, 1);
    kwStream::swap(one, 0);
    EXPECT_EQ(one[0], 9);
    EXPECT_EQ(one[1], 8);
    EXPECT_FALSE(kwStream::isBigEndian());
}

TEST(KwStream, ReadersFollowTheModeFlag) {
    TempDir dir;
    const std::string path = dir.write("v.bin", {42, 0, 8, 0, 0, 0, 0xAB});
    kwStream stream(path.c_str(), kwStream::readMode);
    ASSERT_EQ(stream.status & kwStream::noFile, 0);
    EXPECT_EQ(readStreamShort(stream), 10752);  // big-endian until the flag is set
    stream.setStreamMode(kwStream::littleEndian, true);
    EXPECT_EQ(stream.mode & kwStream::littleEndian, kwStream::littleEndian);
    stream.seek(0);
    EXPECT_EQ(readStreamShort(stream), 42);
    EXPECT_EQ(readStreamLong(stream), 8u);
    stream.seek(2);
    stream.setStreamMode(kwStream::littleEndian, false);
    EXPECT_EQ(readStreamLong(stream), 134217728u);

    // Past the end every byte reads as 255; readChunk delivers what there is.
    unsigned char chunk[4] = {0, 0, 0, 0};
    stream.seek(5);
    stream.readChunk(chunk, 4);
    EXPECT_EQ(chunk[0], 0);
    EXPECT_EQ(chunk[1], 0xAB);
    EXPECT_EQ(chunk[2], 0);
    EXPECT_EQ(readStreamShort(stream), 65535);
    EXPECT_EQ(readStreamLong(stream), 4294967295u);
}

TEST(KwStream, StreamWithoutAFile) {
    TempDir dir;
    kwStream stream(dir.file("absent").c_str(), kwStream::readMode);
    EXPECT_EQ(stream.status & kwStream::noFile, kwStream::noFile);
    unsigned char buffer[3] = {7, 7, 7};
    stream.readChunk(buffer, 3);
    EXPECT_EQ(buffer[0], 7);
    EXPECT_EQ(buffer[2], 7);
    stream.writeChunk(buffer, 3);  // nowhere to write: nothing happens
    stream.seek(10);
    EXPECT_EQ(readStreamShort(stream), 65535);
}

TEST(KwStream, WritesThroughWriteChunk) {
    TempDir dir;
    const std::string path = dir.file("out.bin");
    {
        kwStream out(path.c_str(), 8);
        const unsigned char bytes[] = {5, 6, 7};
        out.writeChunk(bytes, 3);
    }  // the destructor closes (and flushes) the file
    kwStream in(path.c_str(), kwStream::readMode);
    unsigned char back[3] = {};
    in.readChunk(back, 3);
    EXPECT_EQ(back[0], 5);
    EXPECT_EQ(back[2], 7);
}
