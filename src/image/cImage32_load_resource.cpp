// cImage32: loading a picture from the resources the program carries.

#include <exception>
#include <optional>
#include <vector>

#include "image/cImage32.h"
#include "platform/sys/program_resources.h"

namespace {

bool pictureIsOfKind(const picture::Picture& picture, sys::PictureResourceKind kind) {
    const int wanted = kind == sys::PictureResourceKind::Bitmap ? picture::kPicTypeBitmap : picture::kPicTypeIcon;
    return picture.Type() == wanted;
}

}  // namespace

bool cImage32::LoadPicture_Resource(const runtime::Variant& ResIndex, const runtime::Variant& ResSection,
                                    sys::ResourceService* VBglobal, int32_t iconCx, int32_t iconCy,
                                    int64_t streamStart, int64_t streamLength, int32_t iconBitDepth) {
    try {
        sys::ResourceService& resources = VBglobal ? *VBglobal : sys::programResources();
        const std::string id = ResIndex.ToText();
        if (ResSection.kind() == runtime::Variant::Kind::Text) {
            const std::optional<std::vector<uint8_t>> bytes = resources.customResource(ResSection.text(), id);
            // A short resource leaves the current image in place; it is still no load.
            return bytes && LoadPicture_Stream(*bytes, iconCx, iconCy, streamStart, streamLength, false,
                                               iconBitDepth);
        }
        const int32_t kind = ResSection.ToLong();
        if (kind < 0 || kind > 2) return false;
        const auto pictureKind = static_cast<sys::PictureResourceKind>(kind);
        const std::optional<std::vector<uint8_t>> file = resources.pictureResource(pictureKind, id);
        if (!file) return false;
        const picture::Picture picture = picture::LoadPictureFromBytes(*file);
        if (!pictureIsOfKind(picture, pictureKind)) return false;
        return LoadPicture_StdPicture(picture);
    } catch (const std::exception&) {
        return false;
    }
}
