// The picture loader: recognises the data by its first bytes and hands it to the reader
// of its format; reasons for refusal become run-time error 481.

#include <new>

#include "platform/picture/file_byte_reader.h"
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

Picture LoadPicture(const std::string& path) {
    // As the platform's LoadPicture(""): an empty picture object.
    if (path.empty()) return NonePicture();
    sys::FileReader file(path);
    const uint64_t size = file.size();
    uint8_t signature[2] = {};
    if (file.readAt(0, signature, 2) == 2 && sniffFormat(signature) == Format::Bmp) {
        // Bitmaps are what the program writes for itself to show, and the biggest: their
        // rows go from the file straight into the picture, not through a copy of the file.
        FileByteReader reader(file, size, formatName(Format::Bmp));
        return raisingRefusals([&] { return readBmp(reader); });
    }
    const std::vector<uint8_t> bytes = sys::readFile(path);
    return LoadPictureFromBytes(bytes);
}

}  // namespace picture
