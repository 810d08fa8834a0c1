#pragma once
// OctreeQuantizer: the GIF writer's (cGIFparser) reduction of a picture of many colours to a
// palette of at most 256.
//
// The tree has a fixed depth: each level halves the red, green and blue ranges once (the
// split point is the range's middle rounded halves to even, so 0..255 splits at 128 and
// values up to the split go low), and a colour's child at each level is red bit + 2 x green
// bit + 4 x blue bit. Opaque pixels go in row by row in memory order; whenever the leaves
// pass the colour limit (256, or 255 when the picture has transparency) the inner node
// listed last at the deepest level that has any is merged into one leaf. The palette is
// the integer mean of each leaf's colours, leaves in node-number order (not sorted).
//
// Colour sums are 64-bit: millions of pixels of one bright colour in one leaf do not
// overflow them, so a big picture keeps its octree palette.
//
// Memory stays small whatever the picture: the tree never holds more than the limit plus
// one leaves; freed nodes are reused before the node array grows, by a tenth at a time.
//
// Speed: each colour's path through the tree is read from per-level tables rather than
// computed, and a pixel of the colour before it, with no merge in between, goes straight to
// that colour's leaf. About 100 megapixels per second on a 12-megapixel photo, twice
// libimagequant's speed 10 (whose palette errs half as much): bench/gif_write.

#include <cstdint>
#include <span>
#include <vector>

namespace codecs {

class OctreeQuantizer {
public:
    // Fills palette[1..count] (0x00BBGGRR) from the opaque values of `pixels` (-1 marks a
    // transparent pixel, which takes no part); when alphaKind is not 0 the count includes
    // one more slot for transparency, whose colour is not set. palette needs 257 elements
    // (0 is not used). Depth 0 counts as 1. False, with the count 0, when the tree cannot
    // be built (memory).
    bool BuildOctreePalette(std::span<const int32_t> pixels, int32_t alphaKind,
                            std::span<int32_t> palette, int32_t& count, uint8_t depth);

private:
    friend struct OctreeQuantizerPrivateAccess;  // the tests of the node array

    struct Node {
        bool leaf = false;
        bool listed = false;  // has been on a reducible list; never listed again
        uint64_t redSum = 0, greenSum = 0, blueSum = 0;
        uint64_t count = 0;  // pixels summed (leaf) or children made (inner node)
        int32_t children[8] = {};
        int32_t next = 0;  // on its reducible list or on the free list
    };

    void Start(uint8_t depth);
    // Adds one colour (0x00BBGGRR) from the root; returns the leaf that took it.
    int32_t AddColorToOctree(int32_t color);
    bool ReduceOctree();
    void FreeOctreeNode(int32_t node);
    int32_t AllocOctreeNode();
    void Release();

    uint8_t depth_ = 0;
    std::vector<Node> nodes_;      // numbered from 1; element 0 is not used
    std::vector<int32_t> lists_;   // reducible-list heads by level, 1..depth
    std::vector<uint8_t> splits_;  // per level, per channel value: the bit of that level
    int32_t nodeCount_ = 0, freeHead_ = 0, leafCount_ = 0;
};

}  // namespace codecs
