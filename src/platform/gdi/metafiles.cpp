// Metafile handles: the records of a WMF or an EMF kept as a GDI object.

#include <cstring>

#include "platform/gdi/device_drawing.h"
#include "platform/gdi/objects.h"

namespace gdi {

using namespace detail;

namespace {

uint32_t addMetafile(DWORD kind, UINT size, const BYTE* data) {
    if (!data || size == 0) return 0;
    auto m = std::make_unique<Metafile>();
    m->bytes.assign(data, data + size);
    return registry().add(std::move(m), kind);
}

UINT copyBits(uint32_t handle, DWORD kind, UINT size, void* data) {
    const Metafile* m = registry().get<Metafile>(handle);
    if (!m || m->kind != kind) return 0;
    const UINT total = UINT(m->bytes.size());
    if (!data) return total;
    if (size < total) return 0;
    std::memcpy(data, m->bytes.data(), total);
    return total;
}

BOOL deleteMetafile(uint32_t handle, DWORD kind) {
    const Metafile* m = registry().get<Metafile>(handle);
    if (!m || m->kind != kind) return FALSE;
    return registry().erase(handle) ? TRUE : FALSE;
}

}  // namespace

HMETAFILE SetMetaFileBitsEx(UINT size, const BYTE* data) { return addMetafile(OBJ_METAFILE, size, data); }

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data) {
    return addMetafile(OBJ_ENHMETAFILE, size, data);
}

UINT GetMetaFileBitsEx(HMETAFILE metafile, UINT size, void* data) {
    return copyBits(metafile, OBJ_METAFILE, size, data);
}

UINT GetEnhMetaFileBits(HENHMETAFILE metafile, UINT size, BYTE* data) {
    return copyBits(metafile, OBJ_ENHMETAFILE, size, data);
}

std::span<const uint8_t> MetafileRecords(uint32_t metafile) {
    const Metafile* m = registry().get<Metafile>(metafile);
    return m ? std::span<const uint8_t>(m->bytes) : std::span<const uint8_t>();
}

BOOL DeleteMetaFile(HMETAFILE metafile) { return deleteMetafile(metafile, OBJ_METAFILE); }
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile) { return deleteMetafile(metafile, OBJ_ENHMETAFILE); }

}  // namespace gdi
