#pragma once
// cICOparser: the icon and cursor reader of the image class.
//
// Reading (LoadStream). ICO and CUR files: the directory is checked, the entry that best
// fits the wanted size and bit depth is picked, and that one entry is decoded into the
// host: PNG entries by the PNG reader (ImageType 11), bitmap entries (1, 4, 8, 16, 24 and
// 32 bits per pixel, BI_RGB; a header of 40 bytes or a longer V4 or V5 one, the colour
// table after it) through the platform's device-independent bitmap functions,
// then made transparent by the entry's own alpha (32-bit entries: ImageType 8 for icons, 12
// for cursors) or by its AND mask (ImageType 3 for icons, 5 for cursors). Without a host
// only the directory is read; the properties then describe its entries.
//
// The data starts at inStream[streamOffset]: the directory's image offsets count from
// there, and a streamLength of 0 means the rest of the array (written back to the caller).
// Width and height bytes of 0 mean 256, in the directory and in every size worked out
// from them. The bitmap header of the decoded entry is written back into the caller's
// bytes with the entry's own height, its colour count, and 0 for image size and resolutions.
//
// Quirks, each deliberate:
// - A 32-bit entry whose alpha bytes are all 0 takes its transparency from its AND mask.
// - A mask that leaves nothing visible gives AlphaBinary (all pixels 0), not AlphaOpaque.
// - A bitmap entry whose header, colour table, colour bits or AND mask would reach past
//   its own data (image offset + bytes in resource), or whose header describes more colour
//   bits than lie in front of its mask, is damaged: it is never picked. When nothing else
//   can be picked, the result is True and nothing is decoded.
// - A bitmap entry whose bytes in resource are fewer than a bitmap header's 40 takes that
//   size as not given: the entry is as long as its header, colour table, colour bits and
//   mask make it, when the data holds that much (Pillow's mask_1.cur states 8 bytes for 80).
//   Any other size is taken at its word.
// - A cursor's hotspot fields are overwritten like an icon's planes and bit count.
//
// Hostile input: every offset and size of the directory is checked against the data
// (a directory whose entries reach past it is refused), and every part of an entry against
// the entry's data, before anything is read or allocated; entries are at most 256 x 256.
// A bitmap bit count of 0x8000 or more raises Overflow (6), as the dispatch expects of this
// reader; nothing else is raised by LoadStream.
//
// An instance serves one LoadStream (or ConvertstdPicTo32bpp) and then answers for the
// directory it read.

#include <cstdint>
#include <span>
#include <vector>

class cImage32;

namespace codecs {

class cICOparser {
public:
    // Entries are numbered from 1 to IconCount(); another Index raises Subscript out of
    // range (9).
    int32_t Height(int32_t Index) const;  // the entry's height byte, 0 read as 256
    int32_t Width(int32_t Index) const;   // the entry's width byte, 0 read as 256
    bool IsIconPNG(int32_t Index) const;
    // The bit count the reader filled in (bitmap header, PNG header or directory); 0 unknown.
    int32_t bitDepth(int32_t Index) const;
    int32_t IconCount() const;
    // Colour table entries of a bitmap entry of up to 8 bits: (bytes in resource - the
    // header's first byte - colour bits - mask bits) / 4, truncated; 0 for deeper entries.
    // Only while LoadStream runs; raises 9 otherwise.
    int32_t ColorCount(int32_t Index) const;
    // Where the colour bits of a bitmap entry begin: image offset + header size, plus 4 x
    // 2^bitcount below 16 bits. Only while LoadStream runs; raises 9 otherwise.
    int64_t ColorByteOffset(int32_t Index) const;

    // Reads the directory of the icon or cursor file in the streamLength bytes at
    // inStream[streamOffset] and, with a host, decodes the entry that best fits
    // desiredWidth x desiredHeight (below 1: 32) at icoBitDepth bits. True for a valid
    // directory, even when no entry is decoded (the host then keeps no image), except that
    // a PNG entry answers the PNG reader's result; False, and the host untouched, for a
    // directory that fails a check or a range outside inStream. GlobalToken is the GDI+
    // session handed to the PNG reader.
    bool LoadStream(std::span<uint8_t> inStream, int32_t desiredWidth, int32_t desiredHeight,
                    cImage32* cHost, int64_t& streamOffset, int64_t& streamLength,
                    int32_t& icoBitDepth, int32_t GlobalToken = 0);

    // The platform icon or cursor `Handle` into cHost: its colour bitmap (32-bit colour
    // with alpha premultiplied, ImageType 8 or 12), or the colours with the mask's
    // transparency (ImageType 3 or 5). The directory then holds one entry. False for a
    // handle of 0 or of no icon. Raises Overflow (6) for a mask wider or taller than 256
    // (the directory's bytes hold 1 to 255, and 0 for 256).
    bool ConvertstdPicTo32bpp(uint32_t Handle, cImage32& cHost);

private:
    friend struct cICOparserPrivateAccess;  // the tests of private members

    struct Directory {
        uint16_t reserved = 0;
        uint16_t type = 0;  // 1 icon, 2 cursor (0 for a cursor handle)
        int16_t count = 0;
    };
    struct Entry {
        uint8_t width = 0;
        uint8_t height = 0;
        uint8_t colourCount = 0;
        uint8_t reserved = 0;
        uint16_t planes = 0;    // 1 bitmap, 255 PNG
        uint16_t bitCount = 0;  // 0 unknown
        uint32_t bytesInResource = 0;
        uint32_t imageOffset = 0;
        bool damaged = false;   // some part of it lies outside its data
    };

    const Entry& entry(int32_t Index) const;
    int64_t GetMaskByteOffset(int32_t Index) const;
    int64_t GetColorBitsSize(int32_t Index) const;
    int64_t GetMaskBitsSize(int32_t Index) const;
    void ApplyIconTransparency(int32_t Index, cImage32& cHost);
    int32_t SelectBestIcon(int32_t desiredWidth, int32_t desiredHeight, int32_t desiredBitDepth) const;
    // Marks a PNG entry (planes 255), takes its size and bit count from IHDR; False when
    // the signature or IHDR is not there (bit count then 0).
    bool ValidatePNGIconEntry(int32_t Index);
    // A bitmap entry's header, colour table, colour bits and mask lie within its data.
    bool BitmapEntryFits(int32_t Index) const;
    // The bitmap entry through the platform's DIB functions into the host.
    void DecodeBitmapEntry(int32_t Index, cImage32& cHost, std::span<uint8_t> bytes);

    Directory directory_;
    std::vector<Entry> entries_;
    // LoadStream: the caller's data; ConvertstdPicTo32bpp: the mask bits it owns.
    std::span<const uint8_t> data_;
    bool dataValid_ = false;  // data_ may be read (ColorCount, ColorByteOffset)
    std::vector<uint8_t> maskBits_;
};

}  // namespace codecs
