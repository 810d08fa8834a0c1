#pragma once
// Facts of the Truevision TGA 2.0 layout that the TGA reader and writer share.

#include <cstddef>
#include <cstdint>

namespace codecs::tga {

constexpr size_t kHeaderBytes = 18;
constexpr uint64_t kFooterBytes = 26;
// The footer ends with the signature and one NUL byte.
constexpr char kSignature[] = "TRUEVISION-XFILE.";
constexpr size_t kSignatureLength = sizeof(kSignature) - 1;
constexpr int64_t kExtensionAreaBytes = 495;
constexpr size_t kDateStampAt = 367;   // six 16-bit values: month, day, year, h, m, s
constexpr size_t kSoftwareIdAt = 426;  // 41 bytes
constexpr size_t kSoftwareVersionAt = 467;
constexpr size_t kKeyColourAt = 470;
constexpr size_t kAttributesTypeAt = 494;
constexpr uint8_t kAttributesPremultiplied = 4;

// Image types; run-length encoded data adds 8.
constexpr uint8_t kTypeColourMapped = 1;
constexpr uint8_t kTypeTrueColour = 2;
constexpr uint8_t kTypeGrey = 3;
constexpr uint8_t kTypeRunLength = 8;

// Run-length packets: bit 7 marks a run; the low 7 bits are the pixel count less one, so
// a packet never encodes 0 pixels and at most 128.
constexpr uint8_t kRunPacket = 0x80;
constexpr uint64_t kMostPixelsPerPacket = 128;

// The descriptor's low four bits count the alpha bits of a pixel.
constexpr uint8_t kAlphaBits = 0x0F;

}  // namespace codecs::tga
