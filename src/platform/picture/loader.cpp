// The picture loader: recognises the data by its first bytes and hands it to the reader
// of its format; reasons for refusal become run-time error 481.

#include <new>

#include "platform/picture/source_byte_reader.h"
#include "platform/picture/format.h"
#include "platform/picture/invalid_picture.h"
#include "platform/picture/picture.h"
#include "platform/picture/readers.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"

namespace picture {

namespace {

using namespace detail;

Picture decode(std::span<const uint8_t> data) {
    if (data.empty()) refuse("no data");
    const Format format = sniffFormat(data);
    switch (format) {
    case Format::Bmp: return readBmp(data);
    case Format::Jpeg: return readJpeg(data);
    case Format::Gif: return readGif(data);
    case Format::Icon: return readIcon(data);
    case Format::Wmf: return readWmf(data);
    case Format::Emf: return readEmf(data);
    case Format::Png:
    case Format::Tiff:
        refuse(std::string(formatName(format)) + ": not a format of the platform's loader");
    case Format::Unknown: break;
    }
    refuse("unknown format");
}

// Refusals become run-time errors: 481 for what a reader refuses, 7 for a picture there
// is no memory for.
template <class Decode>
Picture raisingRefusals(const Decode& decode) {
    try {
        return decode();
    } catch (const InvalidPicture&) {
        runtime::raise(runtime::kErrInvalidPicture);
    } catch (const PictureOutOfMemory&) {
        runtime::raise(runtime::kErrOutOfMemory);
    } catch (const std::bad_alloc&) {
        runtime::raise(runtime::kErrOutOfMemory);
    }
}

// A file as a byte source.
class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& path) : file_(path) {}
    uint64_t size() override { return file_.size(); }
    size_t readAt(uint64_t offset, void* data, size_t length) override { return file_.readAt(offset, data, length); }

private:
    sys::FileReader file_;
};

}  // namespace

Picture TryLoadPictureFromBytes(std::span<const uint8_t> bytes, std::string* reason) {
    try {
        return decode(bytes);
    } catch (const std::exception& e) {  // InvalidPicture, PictureOutOfMemory, bad_alloc
        if (reason) *reason = e.what();
        return Picture();
    }
}

Picture LoadPictureFromBytes(std::span<const uint8_t> bytes) {
    return raisingRefusals([&] { return decode(bytes); });
}

Picture LoadPictureFromSource(ByteSource& source) {
    uint8_t signature[2] = {};
    if (source.readAt(0, signature, 2) == 2 && sniffFormat(signature) == Format::Bmp) {
        // Bitmaps are what the program writes for itself to show, and the biggest.
        SourceByteReader reader(source, formatName(Format::Bmp));
        return raisingRefusals([&] { return readBmp(reader); });
    }
    return raisingRefusals([&] {
        std::vector<uint8_t> bytes(static_cast<size_t>(source.size()));
        bytes.resize(source.readAt(0, bytes.data(), bytes.size()));
        return decode(bytes);
    });
}

Picture LoadPicture(const std::string& path) {
    // As the platform's LoadPicture(""): an empty picture object.
    if (path.empty()) return NonePicture();
    FileSource file(path);
    return LoadPictureFromSource(file);
}

}  // namespace picture
