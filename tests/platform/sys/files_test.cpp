#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

#include "platform/runtime/error.h"
#include "platform/sys/files.h"
#include "platform/sys/program_folder.h"
#include "support/temp_folder.h"

namespace {

std::vector<uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

size_t entriesIn(const std::string& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

class Files : public ::testing::Test {
protected:
    void TearDown() override { sys::testing::failWritesBeyond(-1); }
    testsupport::TempFolder dir;
};

TEST_F(Files, WriteThenReadBack) {
    const auto path = dir.file("a.bin");
    sys::writeFile(path, bytes("hello"));
    EXPECT_EQ(sys::readFile(path), bytes("hello"));
    EXPECT_EQ(sys::fileSize(path), 5u);
    EXPECT_TRUE(sys::fileExists(path));
    EXPECT_FALSE(sys::fileExists(dir.path()));
    EXPECT_TRUE(sys::folderExists(dir.path()));
}

TEST_F(Files, WriteThatFailsMidwayLeavesOldFileIntact) {
    // Scratch files skip only the flushes: their writes are as atomic as any.
    sys::markScratchFile(dir.file("scratch.bin"));
    for (const char* name : {"catalogue.bin", "scratch.bin"}) {
        SCOPED_TRACE(name);
        const auto path = dir.file(name);
        sys::testing::failWritesBeyond(-1);
        sys::writeFile(path, bytes("old contents"));
        sys::testing::failWritesBeyond(4);
        try {
            sys::writeFile(path, bytes("new and longer contents"));
            FAIL() << "the write should have failed";
        } catch (const runtime::Error& e) {
            EXPECT_EQ(e.number(), runtime::kErrDiskFull);
        }
        EXPECT_EQ(sys::readFile(path), bytes("old contents"));
        sys::testing::failWritesBeyond(-1);
        sys::writeFile(path, bytes("new"));
        EXPECT_EQ(sys::readFile(path), bytes("new"));
    }
    EXPECT_EQ(entriesIn(dir.path()), 2u) << "no temporary file may stay";
}

TEST_F(Files, AbandonedWriterLeavesNothingBehind) {
    const auto path = dir.file("x.bmp");
    sys::writeFile(path, bytes("keep"));
    {
        sys::FileWriter writer(path);
        writer.write(bytes("partial"));
        EXPECT_TRUE(sys::fileExists(writer.temporaryPath()));
    }  // interrupted before commit
    EXPECT_EQ(sys::readFile(path), bytes("keep"));
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST_F(Files, ErrorsCarryRunTimeNumbers) {
    try {
        sys::readFile(dir.file("missing"));
        FAIL();
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), runtime::kErrFileNotFound);
    }
    try {
        sys::writeFile(dir.file("no/such/folder/f"), bytes("x"));
        FAIL();
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), runtime::kErrFileNotFound);
    }
    EXPECT_TRUE(sys::deleteFile(dir.file("never-was")));
    EXPECT_THROW(sys::readFile(dir.path()), runtime::Error);
}

// Read-only is a mode without any write bit: the platform's attribute, which stops
// every writer, root's too (whom the system lets write such a file).
TEST_F(Files, ReadOnlyFilesAreNotReplaced) {
    const struct { mode_t mode; bool readOnly; } cases[] = {
        {0444, true}, {0400, true}, {0555, true}, {0000, true},
        {0644, false}, {0200, false}, {0464, false}, {0446, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << c.mode);
        const auto path = dir.file("picture.png");
        std::filesystem::remove(path);
        sys::writeFile(path, bytes("old"));
        ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
        EXPECT_EQ(sys::isReadOnly(path), c.readOnly);
        if (c.readOnly) {
            try {
                sys::writeFile(path, bytes("new"));
                FAIL() << "a read-only file was replaced";
            } catch (const runtime::Error& e) {
                EXPECT_EQ(e.number(), runtime::kErrPermissionDenied);
            }
            EXPECT_THROW(sys::FileWriter writer(path), runtime::Error);
            EXPECT_EQ(sys::readFile(path), bytes("old"));
            EXPECT_EQ(testsupport::modeOf(path), c.mode) << "the mode is kept";
            // With the attribute cleared it is written as any other.
            sys::clearReadOnly(path);
            EXPECT_FALSE(sys::isReadOnly(path));
        }
        sys::writeFile(path, bytes("new"));
        EXPECT_EQ(sys::readFile(path), bytes("new"));
        EXPECT_EQ(entriesIn(dir.path()), 1u) << "no temporary file may stay";
    }
    EXPECT_FALSE(sys::isReadOnly(dir.file("missing")));
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    EXPECT_FALSE(sys::isReadOnly(dir.path())) << "a folder is not a read-only file";
    ::chmod(dir.path().c_str(), 0755);
}

TEST_F(Files, EmptyFileIsWritten) {
    const auto path = dir.file("empty");
    sys::writeFile(path, {});
    EXPECT_TRUE(sys::fileExists(path));
    EXPECT_EQ(sys::fileSize(path), 0u);
}

TEST_F(Files, PrivateAndScratchFilesAreForTheUserAloneOthersFollowTheUmask) {
    const mode_t mask = ::umask(022);
    sys::markScratchFile(dir.file("scratch"));
    const struct { const char* name; sys::Access access; mode_t mode; } cases[] = {
        {"picture", sys::Access::Shared, 0644},
        {"catalogue", sys::Access::OwnerOnly, 0600},
        {"scratch", sys::Access::Shared, 0600},
    };
    for (const auto& c : cases) {
        sys::writeFile(dir.file(c.name), bytes("x"), c.access);
        EXPECT_EQ(testsupport::modeOf(dir.file(c.name)), c.mode) << c.name;
    }
    ::umask(mask);
}

TEST_F(Files, TheWritersHiddenNameLeadsBackToItsTarget) {
    {
        sys::FileWriter writer(dir.file("TmpFile1.png"));
        const std::string hidden = std::filesystem::path(writer.temporaryPath()).filename().string();
        EXPECT_EQ(sys::atomicWriteTarget(hidden), "TmpFile1.png") << hidden;
    }
    const struct { const char* name; const char* target; } cases[] = {
        {".Quillmere.mdb.Ab12Cd", "Quillmere.mdb"},
        {".a.000000", "a"},
        {"..a.zzzzzz", ".a"},
        {"Quillmere.mdb.Ab12Cd", ""},
        {".Quillmere.mdb.Ab12C", ""},
        {".Quillmere.mdb.Ab12Cde", ""},
        {".Quillmere.mdb-Ab12Cd", ""},
        {".Quillmere.mdb.Ab_2Cd", ""},
        {"..Ab12Cd", ""},
        {".Ab12Cd", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(sys::atomicWriteTarget(c.name), c.target) << c.name;
}

TEST(ProgramFolder, IsTheExecutablesFolderUnlessOverridden) {
    const auto exe = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(sys::programFolder(), exe.parent_path().string());
    sys::setProgramFolder("/tmp/somewhere/");
    EXPECT_EQ(sys::programFolder(), "/tmp/somewhere");
    sys::setProgramFolder("");
    EXPECT_EQ(sys::programFolder(), exe.parent_path().string());
}

}  // namespace
