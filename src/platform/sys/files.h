#pragma once
// Files of the program. Every write goes to a temporary name beside the target and
// is renamed over it only when complete and flushed to disk, so a failed or
// interrupted write leaves the old file as it was.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sys {

// Raises runtime::Error with the matching run-time number (53 file not found,
// 75 path/file access, 61 disk full, ...) when the file cannot be read.
std::vector<uint8_t> readFile(const std::string& path);

// Who may read a file the program creates: everyone the user's umask lets (a picture
// the user saves), or the user alone (the catalogue and the plain copies of its records).
enum class Access { Shared, OwnerOnly };

// Writes the whole file atomically: temporary file, fsync, rename, fsync of the folder.
// Raises runtime::Error on failure, Permission denied (70) for a read-only target; the
// target is then untouched.
void writeFile(const std::string& path, std::span<const uint8_t> bytes, Access access = Access::Shared);

// A scratch file is one the program deletes again and whose loss in a crash costs
// nothing: its writes are still atomic, but not flushed to disk, which would make every
// picture shown wait for the disk. It is always written for the user alone. Marks `path`
// (as written later) as one.
void markScratchFile(const std::string& path);

// The writer's hidden temporary file beside a target is "." + the target's name + "." +
// six letters or digits. Gives the target's name when `fileName` (a name without folder)
// has that form, else "": a write cut off by a kill leaves such a file behind.
std::string atomicWriteTarget(const std::string& fileName);

bool fileExists(const std::string& path);  // a regular file (not a folder)
// A file that nobody may write (no write bit in its mode) is read-only, the platform's
// attribute: no writer replaces it, whoever runs the program (root included, whom the
// system would let write it). False for a missing file or a folder.
bool isReadOnly(const std::string& path);
// Gives a read-only file its owner's write bit back (the attribute set to normal).
// Raises as the write functions do when the mode cannot be changed.
void clearReadOnly(const std::string& path);
bool folderExists(const std::string& path);
// Size in bytes; raises File not found when absent.
uint64_t fileSize(const std::string& path);
// Deletes a file; true when it is gone afterwards (also when it never existed).
bool deleteFile(const std::string& path);
// Renames atomically within one file system and flushes the folder.
void renameFile(const std::string& from, const std::string& to);
// Flushes the folder's entries to disk, so a rename or create inside it survives a crash.
void syncFolder(const std::string& folder);

// A file read piece by piece from its start.
class FileReader {
public:
    explicit FileReader(const std::string& path);  // raises as readFile does
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Reads up to length bytes; fewer only at the end of the file. Raises on a read error.
    size_t read(void* data, size_t length);
    // True when no byte is left.
    bool atEnd();
    // Reads up to length bytes from offset on, wherever the pieces read so far ended;
    // fewer only at the end of the file. Raises on a read error.
    size_t readAt(uint64_t offset, void* data, size_t length);
    uint64_t size();  // raises when the file cannot be asked

private:
    std::string path_;
    int fd_ = -1;
};

// A file written piece by piece. Nothing reaches the target until commit(); a writer
// destroyed without commit() removes its temporary file.
class FileWriter {
public:
    // Raises when the folder is not writable, or Permission denied (70) when the target
    // is read-only.
    explicit FileWriter(std::string targetPath, Access access = Access::Shared);
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    void write(std::span<const uint8_t> bytes);
    void write(const void* data, size_t length);
    uint64_t bytesWritten() const { return written_; }
    // Flushes, renames over the target and flushes the folder.
    void commit();
    // Drops the temporary file; the target stays as it was.
    void abandon();

    const std::string& temporaryPath() const { return tempPath_; }

private:
    std::string target_;
    std::string tempPath_;
    int fd_ = -1;
    uint64_t written_ = 0;
};

namespace testing {
// Makes the write that would take a file past this many bytes fail as a full disk
// (-1 switches it off). For tests of what a failed write leaves behind.
void failWritesBeyond(int64_t bytes);
}  // namespace testing

}  // namespace sys
