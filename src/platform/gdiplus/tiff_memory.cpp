// libtiff's client procedures over a byte span or a growing buffer.

#include "platform/gdiplus/tiff_memory.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace gdiplus::detail {

namespace {

constexpr tmsize_t kMaxSingleAllocation = tmsize_t{1} << 30;

TiffMemory& memoryOf(thandle_t h) { return *static_cast<TiffMemory*>(h); }

uint64_t sizeOf(const TiffMemory& m) { return m.output ? m.output->size() : m.input.size(); }

tmsize_t readProc(thandle_t h, void* buffer, tmsize_t size) {
    TiffMemory& m = memoryOf(h);
    if (m.output || size < 0) return -1;
    const uint64_t available = m.position < m.input.size() ? m.input.size() - m.position : 0;
    const uint64_t n = std::min<uint64_t>(uint64_t(size), available);
    if (n) std::memcpy(buffer, m.input.data() + m.position, size_t(n));
    m.position += n;
    return tmsize_t(n);
}

tmsize_t writeProc(thandle_t h, void* buffer, tmsize_t size) {
    TiffMemory& m = memoryOf(h);
    if (!m.output || size < 0) return -1;
    const uint64_t end = m.position + uint64_t(size);
    if (end > m.output->size()) m.output->resize(size_t(end));
    if (size) std::memcpy(m.output->data() + m.position, buffer, size_t(size));
    m.position = end;
    return size;
}

toff_t seekProc(thandle_t h, toff_t offset, int whence) {
    TiffMemory& m = memoryOf(h);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = m.position;
    else if (whence == SEEK_END) base = sizeOf(m);
    const uint64_t target = base + offset;
    if (target < base) return toff_t(-1);
    m.position = target;
    return m.position;
}

int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t h) { return sizeOf(memoryOf(h)); }
int mapProc(thandle_t, void**, toff_t*) { return 0; }
void unmapProc(thandle_t, void*, toff_t) {}

int quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TiffPtr open(TiffMemory& memory, const char* mode) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxSingleAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
    TIFF* tif = TIFFClientOpenExt("memory", mode, &memory, readProc, writeProc, seekProc,
                                  closeProc, sizeProc, mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
    return TiffPtr(tif);
}

}  // namespace

void TiffCloser::operator()(TIFF* tif) const { TIFFClose(tif); }

TiffPtr openTiffForReading(TiffMemory& memory) { return open(memory, "rm"); }

TiffPtr openTiffForWriting(TiffMemory& memory) { return open(memory, "wm"); }

}  // namespace gdiplus::detail
