#include "codecs/SaveTarget.h"

#include "image/cImage32.h"

namespace codecs {

namespace {
constexpr int32_t kLargestSide = 65535;
}

bool fitsSides(const cImage32* host, int32_t largestSide) {
    return host && host->Handle() && host->Width() <= largestSide && host->Height() <= largestSide;
}

bool fitsSixteenBitSides(const cImage32* host) { return fitsSides(host, kLargestSide); }

bool zeroAlphaMeansOpaque(const cImage32& host) { return host.Alpha() == cImage32::AlphaOpaque; }

SaveTarget::SaveTarget(const std::string& FileName) : toArray_(FileName.empty()) {
    if (!toArray_) file_ = modParsers::OpenImageFileHandle(FileName, false);
}

SaveTarget::~SaveTarget() {
    if (!delivered_ && file_.valid()) file_.Abandon();
}

bool SaveTarget::deliver(std::span<const uint8_t> bytes, std::vector<uint8_t>& outStream) {
    if (toArray_) {
        if (bytes.data() == outStream.data()) outStream.resize(bytes.size());
        else outStream.assign(bytes.begin(), bytes.end());
        delivered_ = true;
        return true;
    }
    if (!file_.valid()) return false;
    delivered_ = file_.Write(bytes) && file_.Close();
    return delivered_;
}

}  // namespace codecs
