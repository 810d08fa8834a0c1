#pragma once
// What a Picture refers to. Shared by the object's own members, the loader (which makes
// owning pictures over the bitmaps and icons it decodes) and the picture writer.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/picture/metafile_player.h"
#include "platform/picture/picture.h"

namespace picture::detail {

struct PictureObject {
    int type = kPicTypeNone;
    uint32_t handle = 0;
    bool owns = false;
    int pixelWidth = 0, pixelHeight = 0;
    int32_t himetricWidth = 0, himetricHeight = 0;
    std::optional<int> transparentIndex;
    // Metafiles: the file's bytes as loaded (what saving writes), and a WMF's bounding box.
    std::vector<uint8_t> fileBytes;
    WmfHeader wmfBox;
    // A transparent bitmap draws through two 32-bpp forms made at its first Render: the
    // AND form (all ones where transparent, 0 elsewhere) and the colour form (0 where
    // transparent). They go with the object.
    mutable gdi::HBITMAP andForm = 0, colorForm = 0;

    PictureObject() = default;
    PictureObject(const PictureObject&) = delete;
    PictureObject& operator=(const PictureObject&) = delete;
    ~PictureObject();
};

struct PictureAccess {
    static Picture wrap(std::shared_ptr<PictureObject> object) { return Picture(std::move(object)); }
    static const PictureObject* object(const Picture& p) { return p.object_.get(); }
};

// A metafile picture over a gdi metafile handle with its HIMETRIC size; owns the handle.
Picture makeMetafilePicture(int type, uint32_t handle, int32_t himetricWidth, int32_t himetricHeight,
                            std::vector<uint8_t> fileBytes, const WmfHeader& wmfBox);
// Plays a metafile picture's records so that the whole picture fills the target.
bool playMetafilePicture(const PictureObject& o, gdi::HDC dc, const PlayTarget& target);

// A picture over a handle, its size read from the handle; refuses a handle that is not of
// the type. An owning picture takes the handle over even when it refuses it.
Picture makePicture(int type, uint32_t handle, bool owns,
                    std::optional<int> transparentIndex = std::nullopt);

}  // namespace picture::detail
