#include "codecs/OctreeQuantizer.h"

#include <cmath>
#include <exception>

namespace codecs {

namespace {

constexpr size_t kFirstNodes = 50;

}  // namespace

bool OctreeQuantizer::BuildOctreePalette(std::span<const int32_t> pixels, int32_t alphaKind,
                                         std::span<int32_t> palette, int32_t& count, uint8_t depth) {
    count = 0;
    const int32_t limit = alphaKind == 0 ? 256 : 255;
    bool built = false;
    try {
        Start(depth == 0 ? 1 : depth);
        int32_t lastColor = -1, lastLeaf = 0;
        built = true;
        for (const int32_t color : pixels) {
            if (color < 0) continue;
            if (color == lastColor && lastLeaf) {
                // The same path to the same leaf, which already counts as one.
                Node& leaf = nodes_[size_t(lastLeaf)];
                ++leaf.count;
                leaf.redSum += uint32_t(color) & 0xFF;
                leaf.greenSum += (uint32_t(color) >> 8) & 0xFF;
                leaf.blueSum += (uint32_t(color) >> 16) & 0xFF;
                continue;
            }
            lastColor = color;
            lastLeaf = AddColorToOctree(color);
            while (leafCount_ > limit) {
                lastLeaf = 0;  // the leaf may have been merged into its parent
                if (!ReduceOctree()) {
                    built = false;
                    break;
                }
            }
            if (!built) break;
        }
        if (built) {
            int32_t entries = 0;
            for (size_t n = 1; n < nodes_.size() && entries < limit; ++n) {
                const Node& node = nodes_[n];
                if (!node.leaf || node.count == 0) continue;
                palette[size_t(++entries)] = int32_t(node.redSum / node.count |
                                                     (node.greenSum / node.count) << 8 |
                                                     (node.blueSum / node.count) << 16);
            }
            count = alphaKind == 0 ? entries : entries + 1;
        }
    } catch (const std::exception&) {
        built = false;
    }
    Release();
    return built;
}

void OctreeQuantizer::Start(uint8_t depth) {
    depth_ = depth;
    nodes_.assign(kFirstNodes + 1, Node{});
    lists_.assign(size_t(depth) + 1, 0);
    nodeCount_ = 1;  // the root
    freeHead_ = 0;
    leafCount_ = 0;
    // A channel's bit at a level depends only on its value: the ranges it narrows are that
    // channel's own, from 0..255 at the root.
    splits_.resize(size_t(depth) * 256);
    for (int value = 0; value < 256; ++value) {
        int low = 0, high = 255;
        for (int level = 0; level < depth; ++level) {
            const int mid = int(std::lrint((low + high) / 2.0));
            const bool upper = value > mid;
            (upper ? low : high) = mid;
            splits_[size_t(level) * 256 + size_t(value)] = upper;
        }
    }
}

int32_t OctreeQuantizer::AddColorToOctree(int32_t color) {
    const uint32_t red = uint32_t(color) & 0xFF, green = (uint32_t(color) >> 8) & 0xFF,
                   blue = (uint32_t(color) >> 16) & 0xFF;
    int32_t node = 1;
    for (int level = 1;; ++level) {
        const uint8_t* bits = &splits_[size_t(level - 1) * 256];
        const int index = bits[red] | bits[green] << 1 | bits[blue] << 2;
        int32_t child = nodes_[size_t(node)].children[index];
        if (!child) {
            child = AllocOctreeNode();  // may move the array: no references across it
            Node& parent = nodes_[size_t(node)];
            parent.children[index] = child;
            ++parent.count;
            nodes_[size_t(child)].leaf = level >= depth_;
        }
        Node& next = nodes_[size_t(child)];
        if (next.leaf) {
            if (next.count == 0) ++leafCount_;
            ++next.count;
            next.redSum += red;
            next.greenSum += green;
            next.blueSum += blue;
            return child;
        }
        if (!next.listed) {
            next.next = lists_[size_t(level)];
            lists_[size_t(level)] = child;
            next.listed = true;
        }
        node = child;
    }
}

bool OctreeQuantizer::ReduceOctree() {
    for (size_t level = depth_; level >= 1; --level) {
        const int32_t chosen = lists_[level];
        if (!chosen) continue;
        lists_[level] = nodes_[size_t(chosen)].next;
        Node& node = nodes_[size_t(chosen)];
        uint64_t red = 0, green = 0, blue = 0, count = 0;
        for (int32_t& child : node.children) {
            if (!child) continue;
            const Node& leaf = nodes_[size_t(child)];
            red += leaf.redSum;
            green += leaf.greenSum;
            blue += leaf.blueSum;
            count += leaf.count;
            FreeOctreeNode(child);
            --leafCount_;
            child = 0;
        }
        node.leaf = true;  // stays listed, so it is never listed again
        node.redSum = red;
        node.greenSum = green;
        node.blueSum = blue;
        node.count = count;
        ++leafCount_;
        return true;
    }
    return false;
}

void OctreeQuantizer::FreeOctreeNode(int32_t node) {
    Node& freed = nodes_[size_t(node)];
    freed.next = freeHead_;
    freed.leaf = false;
    freed.listed = false;
    freeHead_ = node;
    --nodeCount_;
}

int32_t OctreeQuantizer::AllocOctreeNode() {
    ++nodeCount_;
    if (freeHead_) {
        const int32_t node = freeHead_;
        freeHead_ = nodes_[size_t(node)].next;
        nodes_[size_t(node)] = Node{};
        return node;
    }
    // With no free node the live nodes are exactly 1 to the count.
    if (size_t(nodeCount_) >= nodes_.size())
        nodes_.resize(size_t(std::lrint(nodeCount_ * 1.1)) + 1, Node{});
    return nodeCount_;
}

void OctreeQuantizer::Release() {
    nodes_ = {};
    lists_ = {};
    splits_ = {};
    nodeCount_ = freeHead_ = leafCount_ = 0;
}

}  // namespace codecs
