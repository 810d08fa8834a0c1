#pragma once
// The data of a drag and drop as a window's drop handler hands it on: the formats it
// offers and, for a drop of files, their names in a list counted from 1, beside the
// file-list block of the underlying data (a 20-byte header, then the names as
// zero-terminated UTF-16 texts, ended by an empty one), from which the names can be read
// again. Header-only and free of the toolkit, so that the image class takes it too.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/runtime/error.h"

namespace ui {

class DataObject {
public:
    static constexpr int vbCFFiles = 15;  // the file-list format
    // Header of the file-list block: offset of the names (4 bytes), drop point (8),
    // non-client flag (4), wide-names flag (4).
    static constexpr size_t kFileListHeaderBytes = 20;

    // The names in a list counted from 1.
    class FileList {
    public:
        size_t Count() const { return names_.size(); }
        // Raises Subscript out of range (9) outside 1..Count.
        const std::string& Item(size_t index) const {
            if (index < 1 || index > names_.size()) runtime::raise(runtime::kErrSubscriptOutOfRange);
            return names_[index - 1];
        }
        void Clear() { names_.clear(); }
        void Add(const std::string& name) { names_.push_back(name); }

    private:
        std::vector<std::string> names_;
    };

    DataObject() = default;
    // A drop of files: the names (UTF-8) in the list and, as wide names, in the block.
    explicit DataObject(const std::vector<std::string>& files) {
        for (const std::string& name : files) files_.Add(name);
        block_.assign(kFileListHeaderBytes, 0);
        block_[0] = uint8_t(kFileListHeaderBytes);
        block_[16] = 1;  // wide names
        for (const std::string& name : files) appendUtf16(name);
        block_.insert(block_.end(), {0, 0});
    }

    bool GetFormat(int format) const { return format == vbCFFiles && !block_.empty(); }
    FileList& Files() { return files_; }
    const FileList& Files() const { return files_; }
    // The underlying file-list block; empty when no files are offered.
    const std::vector<uint8_t>& fileListBlock() const { return block_; }
    void setFileListBlock(std::vector<uint8_t> block) { block_ = std::move(block); }

private:
    // UTF-8 to UTF-16 little-endian with its terminating zero; malformed bytes as U+FFFD.
    void appendUtf16(const std::string& text) {
        const auto put = [this](uint32_t unit) { block_.insert(block_.end(), {uint8_t(unit), uint8_t(unit >> 8)}); };
        for (size_t i = 0; i < text.size();) {
            const uint8_t lead = uint8_t(text[i]);
            const int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
            uint32_t code = extra == 0 ? lead : extra == 1 ? lead & 0x1Fu : extra == 2 ? lead & 0x0Fu : lead & 0x07u;
            bool ok = extra >= 0 && i + size_t(extra) < text.size();
            for (int k = 1; ok && k <= extra; ++k) {
                const uint8_t next = uint8_t(text[i + size_t(k)]);
                ok = (next & 0xC0) == 0x80;
                code = code << 6 | (next & 0x3Fu);
            }
            i += ok ? size_t(extra) + 1 : 1;
            if (!ok || code > 0x10FFFF) code = 0xFFFD;
            if (code >= 0x10000) {
                put(0xD800 + ((code - 0x10000) >> 10));
                put(0xDC00 + ((code - 0x10000) & 0x3FF));
            } else {
                put(code);
            }
        }
        put(0);
    }

    FileList files_;
    std::vector<uint8_t> block_;
};

}  // namespace ui
