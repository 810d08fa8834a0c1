// modParsers: picture objects from bytes and from handles.

#include "image/modParsers.h"
#include "platform/runtime/error.h"

namespace modParsers {

picture::Picture ArrayToStdPicture(std::span<const uint8_t> bytes, int64_t offset, int64_t size) {
    if (size <= 0) return {};
    if (offset < 0 || uint64_t(offset) > bytes.size() || uint64_t(size) > bytes.size() - uint64_t(offset))
        runtime::raise(runtime::kErrSubscriptOutOfRange);
    try {
        return picture::LoadPictureFromBytes(bytes.subspan(size_t(offset), size_t(size)));
    } catch (const runtime::Error&) {
        return {};
    }
}

picture::Picture HandleToStdPicture(uint32_t handle, int32_t pictureType) {
    return picture::CreatePicture(pictureType, handle, true);
}

}  // namespace modParsers
