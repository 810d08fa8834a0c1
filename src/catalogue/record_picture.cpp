#include "catalogue/record_picture.h"

#include "platform/runtime/error.h"

namespace catalogue {

picture::Picture BoundPhotoPicture(db::Recordset& rs) {
    try {
        if (!rs.hasCurrentRow()) return {};
        const db::Field photo = rs.field("Photo");
        return picture::LoadPictureFromBytes(photo.getChunk(photo.actualSize()));
    } catch (const runtime::Error&) {
        return {};
    }
}

}  // namespace catalogue
