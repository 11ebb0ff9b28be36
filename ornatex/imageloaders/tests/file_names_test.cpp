// Files are named in UTF-8 on every platform: the library's file readers
// and tovik's stream open names outside the ANSI code page on Windows too.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include <ornatex/decode.h>
#include <tovik/kwOpenFile.h>
#include <tovik/kwStream.h>

#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

// Greek capital omega and e-acute: the first is in no Western code page.
const std::string name = "\xce\xa9mega \xc3\xa9t\xc3\xa9.tga";

struct NamedCopy {
    ornatextest::TempDir dir;
    std::string path = dir.path.generic_string() + "/" + name;  // the temporary folder's name is ASCII
    NamedCopy() { fs::copy_file(std::string(LOADER_TEST_DATA) + "/pillow-200x32_rgba_bl_raw.tga", fs::u8path(path)); }
};

}  // namespace

TEST(FileNames, DecodeAndInspectOpenUtf8Names) {
    const NamedCopy copy;
    const ornatex::Image byText = ornatex::decodeFile(copy.path.c_str());
    ASSERT_TRUE(byText.ok()) << byText.error();
    EXPECT_EQ(byText.width(), 200);
    EXPECT_EQ(byText.height(), 32);
    const ornatex::Image byPath = ornatex::decodeFile(fs::u8path(copy.path));
    ASSERT_TRUE(byPath.ok()) << byPath.error();
    EXPECT_EQ(byPath.width(), 200);
    EXPECT_EQ(ornatex::inspectFile(fs::u8path(copy.path)).format, "TGA");
    EXPECT_EQ(ornatex::inspectFile(copy.path.c_str()).width, 200u);

    // A name that is not there still gives the system's reason.
    const std::string absent = copy.dir.path.generic_string() + "/\xce\xa9-absent.tga";
    EXPECT_EQ(ornatex::decodeFile(fs::u8path(absent)).error(),
              "'" + absent + "' cannot be opened: No such file or directory");
}

TEST(FileNames, StreamReadsAndWritesUtf8Names) {
    const NamedCopy copy;
    {
        kwStream in(copy.path.c_str(), kwStream::readMode);
        ASSERT_EQ(in.status & kwStream::noFile, 0);
        unsigned char header[18] = {};
        in.readChunk(header, 18);
        EXPECT_EQ(header[2], 2);    // uncompressed true colour
        EXPECT_EQ(header[12], 200); // width, low byte
        EXPECT_EQ(header[16], 32);  // bits a pixel
    }
    const std::string written = copy.dir.path.generic_string() + "/\xe6\x97\xa5\xe6\x9c\xac.bin";
    {
        kwStream out(written.c_str(), 8);
        ASSERT_EQ(out.status & kwStream::noFile, 0);
        out.writeChunk("abc", 3);
    }
    EXPECT_EQ(fs::file_size(fs::u8path(written)), 3u);
}

#if defined(_WIN32)
// Windows names are UTF-16: bytes that are not UTF-8 name no file.
TEST(FileNames, InvalidUtf8IsRefusedOnWindows) {
    errno = 0;
    EXPECT_EQ(kwOpenFile("bad\xff.tga", "rb"), nullptr);
    EXPECT_EQ(errno, EINVAL);
}
#endif
