// modParsers: image files through file handles, and the probe for library functions.

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "image/modParsers.h"
#include "platform/sys/files.h"
#include "platform/sys/libraries.h"

namespace modParsers {

FileHandle::FileHandle() = default;

FileHandle::~FileHandle() { Close(); }

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), writer_(std::move(other.writer_)),
      writeFailed_(other.writeFailed_), keepMode_(other.keepMode_),
      hasKeepMode_(other.hasKeepMode_) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        writer_ = std::move(other.writer_);
        writeFailed_ = other.writeFailed_;
        keepMode_ = other.keepMode_;
        hasKeepMode_ = other.hasKeepMode_;
    }
    return *this;
}

int64_t FileHandle::Size() const {
    if (writer_) return int64_t(writer_->bytesWritten());
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    return int64_t(st.st_size);
}

bool FileHandle::Seek(int64_t offset) {
    if (writer_) return offset == int64_t(writer_->bytesWritten());
    if (fd_ < 0 || offset < 0) return false;
    return ::lseek(fd_, off_t(offset), SEEK_SET) == off_t(offset);
}

int64_t FileHandle::Read(std::span<uint8_t> buffer) {
    if (fd_ < 0) return -1;
    size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::read(fd_, buffer.data() + done, buffer.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += size_t(n);
    }
    return int64_t(done);
}

bool FileHandle::Write(std::span<const uint8_t> bytes) {
    if (!writer_ || writeFailed_) return false;
    try {
        writer_->write(bytes);
        return true;
    } catch (const std::exception&) {
        // The writer has dropped its temporary file; the target stays as it was.
        writeFailed_ = true;
        return false;
    }
}

bool FileHandle::Close() {
    if (fd_ >= 0) {
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        return closed;
    }
    if (!writer_) return false;
    auto writer = std::move(writer_);
    if (writeFailed_) return false;
    try {
        if (hasKeepMode_) ::chmod(writer->temporaryPath().c_str(), mode_t(keepMode_));
        writer->commit();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void FileHandle::Abandon() {
    if (writer_) {
        writer_->abandon();
        writer_.reset();
    }
    if (fd_ >= 0) Close();
}

FileHandle OpenImageFileHandle(const std::string& FileName, bool bOpen, bool bUnicode) {
    FileHandle handle;
    if (FileName.empty()) return handle;
    struct stat st {};
    const bool exists = ::stat(FileName.c_str(), &st) == 0;
    if (bOpen) {
        if (!exists || !S_ISREG(st.st_mode)) return handle;
        handle.fd_ = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
        return handle;
    }
    if (exists && S_ISDIR(st.st_mode)) return handle;
    try {
        handle.writer_ = std::make_unique<sys::FileWriter>(FileName);
    } catch (const std::exception&) {
        return handle;
    }
    if (exists) {
        handle.keepMode_ = unsigned(st.st_mode & 07777);
        handle.hasKeepMode_ = true;
    }
    return handle;
}

bool DeleteImageFile(const std::string& FileName, bool bUnicode) {
    struct stat st {};
    if (FileName.empty() || ::lstat(FileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return ::unlink(FileName.c_str()) == 0;
}

bool ImageFileExists(const std::string& FileName, bool bUnicode) {
    struct stat st {};
    return !FileName.empty() && ::stat(FileName.c_str(), &st) == 0;
}

bool IsDllFunctionAvailable(const std::string& DllName, const std::string& FunctionName) {
    const sys::LibraryHandle library = sys::LoadLibrary(DllName);
    if (!library) return false;
    const bool found = sys::GetProcAddress(library, FunctionName) != nullptr;
    sys::FreeLibrary(library);
    return found;
}

}  // namespace modParsers
