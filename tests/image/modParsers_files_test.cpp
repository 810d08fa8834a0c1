// modParsers: file handles, deleting and finding files, and the library probe.

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "image/modParsers.h"
#include "image_support.h"
#include "support/temp_folder.h"

using namespace imagetest;
using namespace modParsers;

namespace {

class ImageFiles : public ImageTest {
protected:
    testsupport::TempFolder folder;

    std::string make(const std::string& name, const std::string& content) {
        const std::string path = folder.file(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    static std::string contentOf(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static std::span<const uint8_t> span(const std::string& s) {
        return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
    }
};

TEST_F(ImageFiles, ReadingAFile) {
    const std::string path = make("picture.bin", "0123456789");
    FileHandle file = OpenImageFileHandle(path, true);
    ASSERT_TRUE(file.valid());
    EXPECT_FALSE(file.forWriting());
    EXPECT_EQ(file.Size(), 10);
    std::vector<uint8_t> buffer(4);
    EXPECT_EQ(file.Read(buffer), 4);
    EXPECT_EQ(buffer, (std::vector<uint8_t>{'0', '1', '2', '3'}));
    ASSERT_TRUE(file.Seek(8));
    EXPECT_EQ(file.Read(buffer), 2) << "fewer at the end of the file";
    EXPECT_EQ(file.Read(buffer), 0);
    EXPECT_FALSE(file.Write(buffer)) << "not open for writing";
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.valid());
}

TEST_F(ImageFiles, OpeningForReadingFails) {
    for (const std::string& path : {folder.file("missing.png"), folder.path(), std::string()}) {
        const FileHandle file = OpenImageFileHandle(path, true);
        EXPECT_FALSE(file.valid()) << path;
        EXPECT_EQ(file.Size(), -1);
    }
}

TEST_F(ImageFiles, WritingReplacesTheFileWhenClosed) {
    const std::string path = make("out.bmp", "old contents");
    FileHandle file = OpenImageFileHandle(path, false);
    ASSERT_TRUE(file.valid());
    EXPECT_TRUE(file.forWriting());
    EXPECT_TRUE(file.Seek(0));
    EXPECT_TRUE(file.Write(span("new")));
    EXPECT_TRUE(file.Write(span(" bytes")));
    EXPECT_EQ(file.Size(), 9);
    EXPECT_FALSE(file.Seek(2)) << "writes are sequential";
    EXPECT_EQ(contentOf(path), "old contents") << "nothing reaches the target before Close";
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(contentOf(path), "new bytes");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1)
        << "no temporary file left behind";
}

TEST_F(ImageFiles, WritingKeepsTheModeOfTheFileItReplaces) {
    const std::string path = make("private.png", "x");
    ::chmod(path.c_str(), 0640);
    {
        FileHandle file = OpenImageFileHandle(path, false);
        ASSERT_TRUE(file.Write(span("y")));
    }  // closed, and so written, when it goes
    EXPECT_EQ(contentOf(path), "y");
    EXPECT_EQ(testsupport::modeOf(path), 0640u);
}

TEST_F(ImageFiles, AFailedOrAbandonedWriteLeavesTheOldFile) {
    const std::string path = make("keep.gif", "precious");
    FileHandle abandoned = OpenImageFileHandle(path, false);
    ASSERT_TRUE(abandoned.Write(span("junk")));
    abandoned.Abandon();
    EXPECT_FALSE(abandoned.valid());
    EXPECT_EQ(contentOf(path), "precious");

    sys::testing::failWritesBeyond(3);
    FileHandle full = OpenImageFileHandle(path, false);
    EXPECT_FALSE(full.Write(span("too long")));
    EXPECT_FALSE(full.Write(span("x"))) << "nothing more after a failed write";
    EXPECT_FALSE(full.Close());
    EXPECT_EQ(contentOf(path), "precious");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST_F(ImageFiles, OpeningForWritingFails) {
    for (const std::string& path : {folder.path(), folder.file("no/such/folder.png"), std::string()})
        EXPECT_FALSE(OpenImageFileHandle(path, false).valid()) << path;
}

TEST_F(ImageFiles, HandlesMove) {
    const std::string path = folder.file("moved.tga");
    FileHandle a = OpenImageFileHandle(path, false);
    FileHandle b = std::move(a);
    EXPECT_FALSE(a.valid());
    ASSERT_TRUE(b.Write(span("tga")));
    b = FileHandle();  // closing by replacement writes the file
    EXPECT_EQ(contentOf(path), "tga");
}

TEST_F(ImageFiles, DeleteAndExists) {
    const std::string path = make("gone.png", "x");
    EXPECT_TRUE(ImageFileExists(path));
    EXPECT_TRUE(ImageFileExists(folder.path())) << "a folder counts";
    ::chmod(path.c_str(), 0444);
    EXPECT_TRUE(DeleteImageFile(path)) << "a read-only file is deleted too";
    EXPECT_FALSE(ImageFileExists(path));
    EXPECT_FALSE(DeleteImageFile(path)) << "nothing to delete";
    EXPECT_FALSE(DeleteImageFile(folder.path())) << "folders are not deleted";
    EXPECT_TRUE(ImageFileExists(folder.path()));
}

TEST_F(ImageFiles, LibraryProbe) {
    EXPECT_TRUE(IsDllFunctionAvailable("zlib1.dll", "crc32"));
    EXPECT_TRUE(IsDllFunctionAvailable("ZLIB.DLL", "uncompress"));
    EXPECT_FALSE(IsDllFunctionAvailable("zlib1.dll", "no_such_function"));
    EXPECT_FALSE(IsDllFunctionAvailable("no-such-library.dll", "crc32"));
    EXPECT_TRUE(IsDllFunctionAvailable("gdiplus.dll", "GdiplusStartup"));
    sys::setLibraryAbsent("gdiplus.dll", true);
    EXPECT_FALSE(IsDllFunctionAvailable("gdiplus.dll", "GdiplusStartup"));
}

}  // namespace
