#include "platform/sys/files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/runtime/error.h"

namespace sys {

namespace {

int64_t g_failBeyond = -1;

// mkostemp's template: it puts letters and digits in the place of the six X.
constexpr const char* kTemporarySuffixTemplate = "XXXXXX";
constexpr size_t kTemporarySuffixLength = 6;

[[noreturn]] void raiseErrno(int err, const std::string& path) {
    long number;
    switch (err) {
    case ENOENT: number = runtime::kErrFileNotFound; break;
    case ENOTDIR: number = runtime::kErrPathNotFound; break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: number = runtime::kErrDiskFull; break;
    case EACCES:
    case EPERM:
    case EROFS: number = runtime::kErrPermissionDenied; break;
    case EIO: number = runtime::kErrDeviceIO; break;
    default: number = runtime::kErrPathFileAccess; break;
    }
    throw runtime::Error(number, runtime::describeError(number) + " (" + path + ": " +
                                     std::strerror(err) + ")");
}

std::string folderOf(const std::string& path) {
    const auto parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

std::mutex g_scratchMutex;
std::set<std::string> g_scratchFiles;

std::string normalPath(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().string();
}

bool isScratchFile(const std::string& path) {
    const std::lock_guard lock(g_scratchMutex);
    return g_scratchFiles.count(normalPath(path)) != 0;
}

}  // namespace

void markScratchFile(const std::string& path) {
    const std::lock_guard lock(g_scratchMutex);
    g_scratchFiles.insert(normalPath(path));
}

std::string atomicWriteTarget(const std::string& fileName) {
    // "." + at least one character + "." + the suffix
    if (fileName.size() < kTemporarySuffixLength + 3 || fileName.front() != '.') return {};
    const size_t dot = fileName.size() - kTemporarySuffixLength - 1;
    if (fileName[dot] != '.' || fileName.find('/') != std::string::npos) return {};
    for (size_t i = dot + 1; i < fileName.size(); ++i) {
        const char c = fileName[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return {};
    }
    return fileName.substr(1, dot - 1);
}

namespace testing {
void failWritesBeyond(int64_t bytes) { g_failBeyond = bytes; }
}  // namespace testing

std::vector<uint8_t> readFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) raiseErrno(errno, path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        raiseErrno(err, path);
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(st.st_size));
    uint8_t chunk[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            raiseErrno(err, path);
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    ::close(fd);
    return bytes;
}

FileReader::FileReader(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) raiseErrno(errno, path);
}

FileReader::~FileReader() {
    if (fd_ >= 0) ::close(fd_);
}

namespace {

// Up to length bytes, from the file position or, when given, from offset on; fewer only
// at the end of the file.
size_t readFully(int fd, const std::string& path, void* data, size_t length, const uint64_t* offset) {
    auto* p = static_cast<uint8_t*>(data);
    size_t done = 0;
    while (done < length) {
        const ssize_t n = offset ? ::pread(fd, p + done, length - done, static_cast<off_t>(*offset + done))
                                 : ::read(fd, p + done, length - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            raiseErrno(errno, path);
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

}  // namespace

size_t FileReader::read(void* data, size_t length) { return readFully(fd_, path_, data, length, nullptr); }

bool FileReader::atEnd() {
    uint8_t probe;
    return read(&probe, 1) == 0;
}

size_t FileReader::readAt(uint64_t offset, void* data, size_t length) {
    return readFully(fd_, path_, data, length, &offset);
}

uint64_t FileReader::size() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) raiseErrno(errno, path_);
    return static_cast<uint64_t>(st.st_size);
}

void writeFile(const std::string& path, std::span<const uint8_t> bytes, Access access) {
    FileWriter writer(path, access);
    writer.write(bytes);
    writer.commit();
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

// A regular file without any write bit: the read-only attribute (a folder has none).
bool readOnly(const struct stat& st) { return S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0; }

}  // namespace

bool isReadOnly(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && readOnly(st);
}

void clearReadOnly(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) raiseErrno(errno, path);
    if (readOnly(st) && ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) raiseErrno(errno, path);
}

bool folderExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

uint64_t fileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) raiseErrno(errno, path);
    return static_cast<uint64_t>(st.st_size);
}

bool deleteFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0) return true;
    return errno == ENOENT;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) raiseErrno(errno, folder);
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0 && err != EINVAL) raiseErrno(err, folder);
}

void renameFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) raiseErrno(errno, to);
    syncFolder(folderOf(to));
}

FileWriter::FileWriter(std::string targetPath, Access access) : target_(std::move(targetPath)) {
    // The rename would replace a read-only file as readily as any other; the platform's
    // programs cannot open one for writing.
    if (isReadOnly(target_)) raiseErrno(EACCES, target_);
    const std::filesystem::path target(target_);
    const std::string hiddenName = "." + target.filename().string() + "." + kTemporarySuffixTemplate;
    tempPath_ = (target.parent_path() / hiddenName).string();
    if (target.parent_path().empty()) tempPath_ = hiddenName;
    std::vector<char> name(tempPath_.begin(), tempPath_.end());
    name.push_back('\0');
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) raiseErrno(errno, target_);
    tempPath_ = name.data();
    // mkostemp makes the file 0600, which private files keep; a saved picture should be
    // as readable as any file the user makes.
    if (access == Access::Shared && !isScratchFile(target_)) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }
}

FileWriter::~FileWriter() { abandon(); }

void FileWriter::write(std::span<const uint8_t> bytes) { write(bytes.data(), bytes.size()); }

void FileWriter::write(const void* data, size_t length) {
    if (fd_ < 0) throw runtime::Error(runtime::kErrPathFileAccess, "File is not open for writing");
    const auto* p = static_cast<const uint8_t*>(data);
    while (length > 0) {
        size_t piece = length;
        if (g_failBeyond >= 0) {
            const uint64_t room = written_ < static_cast<uint64_t>(g_failBeyond)
                                      ? static_cast<uint64_t>(g_failBeyond) - written_
                                      : 0;
            if (room == 0) {
                abandon();
                raiseErrno(ENOSPC, target_);
            }
            piece = std::min<uint64_t>(piece, room);
        }
        const ssize_t n = ::write(fd_, p, piece);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            abandon();
            raiseErrno(err, target_);
        }
        p += n;
        length -= static_cast<size_t>(n);
        written_ += static_cast<uint64_t>(n);
    }
}

void FileWriter::commit() {
    if (fd_ < 0) throw runtime::Error(runtime::kErrPathFileAccess, "File is not open for writing");
    const bool durable = !isScratchFile(target_);
    if (durable && ::fsync(fd_) != 0) {
        const int err = errno;
        abandon();
        raiseErrno(err, target_);
    }
    if (::close(fd_) != 0) {
        const int err = errno;
        fd_ = -1;
        abandon();
        raiseErrno(err, target_);
    }
    fd_ = -1;
    if (::rename(tempPath_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
        raiseErrno(err, target_);
    }
    tempPath_.clear();
    if (durable) syncFolder(folderOf(target_));
}

void FileWriter::abandon() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

}  // namespace sys
