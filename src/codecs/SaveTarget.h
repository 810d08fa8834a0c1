#pragma once
// SaveTarget: where one save of a writer goes, and the checks every writer makes before it
// encodes. A save with a file name writes a temporary file beside the target and renames
// it over the target once every byte is written; a save that fails, or is given up,
// leaves no file and an existing one as it was. A save without a file name fills the
// caller's array, which a failed save leaves untouched.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/modParsers.h"

class cImage32;

namespace codecs {

// The host holds an image whose width and height are at most largestSide each.
bool fitsSides(const cImage32* host, int32_t largestSide);
// ... that fit the 16-bit fields of the GIF and TGA headers (at most 65535 each).
bool fitsSixteenBitSides(const cImage32* host);

// Whether alpha bytes that are all 0 make an opaque picture. They do for a host that says
// it carries no alpha (Alpha() AlphaOpaque): they are the unused fourth byte of a 24-bit
// source. A host that knows it has alpha (a fully transparent PNG, a picture after
// MakeTransparent) is wholly transparent, and the writers keep it so.
bool zeroAlphaMeansOpaque(const cImage32& host);

class SaveTarget {
public:
    // FileName "" targets the caller's array; any other name is opened for writing now.
    explicit SaveTarget(const std::string& FileName);
    // Gives up a file that was not delivered.
    ~SaveTarget();
    SaveTarget(const SaveTarget&) = delete;
    SaveTarget& operator=(const SaveTarget&) = delete;

    // False when the file could not be created.
    bool ready() const { return toArray_ || file_.valid(); }
    bool toArray() const { return toArray_; }

    // The complete encoded file: written and put in place, or copied into outStream (no
    // copy when it already lies there). True when it is all there.
    bool deliver(std::span<const uint8_t> bytes, std::vector<uint8_t>& outStream);

private:
    bool toArray_;
    bool delivered_ = false;
    modParsers::FileHandle file_;
};

}  // namespace codecs
