#include "catalogue/record_picture.h"

#include <utility>

#include "platform/runtime/error.h"

namespace catalogue {

namespace {

// A record's stored bytes as the loader reads them, a piece at a time.
class PhotoSource : public picture::ByteSource {
public:
    explicit PhotoSource(db::FieldReader reader) : reader_(std::move(reader)) {}
    uint64_t size() override { return static_cast<uint64_t>(reader_.size()); }
    size_t readAt(uint64_t offset, void* data, size_t length) override {
        return reader_.readAt(static_cast<int64_t>(offset), data, length);
    }

private:
    db::FieldReader reader_;
};

}  // namespace

picture::Picture BoundPhotoPicture(db::Recordset& rs) {
    try {
        if (!rs.hasCurrentRow()) return {};
        const db::Field photo = rs.field("Photo");
        // A bitmap's rows go from the catalogue straight into the picture: the stored
        // bytes held whole beside it would be one copy too many.
        PhotoSource source(photo.reader(photo.actualSize()));
        return picture::LoadPictureFromSource(source);
    } catch (const runtime::Error&) {
        return {};
    }
}

}  // namespace catalogue
