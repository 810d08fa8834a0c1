#pragma once
// libjpeg-turbo as the JPEG writer's oracle: writing given quantisation tables and
// coefficient planes as a file (its own Huffman optimisation, jpeg_write_coefficients), and
// reading a file's tables and planes back (jpeg_read_coefficients). Tables and planes are
// in the writer's form: 64 values per block in zigzag order, blocks in raster order.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace jpegtest {

using Bytes = std::vector<uint8_t>;
using Plane = std::vector<int16_t>;

// natural[k]: the row x 8 + column of the k-th coefficient in zigzag order (T.81 Figure A.6).
extern const std::array<uint8_t, 64> kNatural;

struct Coefficients {
    int width = 0, height = 0;
    std::vector<int> ids, samplingFactors, quantSlots;  // per component (factors as H x 16 + V)
    std::vector<std::array<uint16_t, 64>> quantTables;  // per component, zigzag order
    std::vector<Plane> planes;
};

// Baseline 4:4:4 YCbCr, component 0 on tables 0, the others on tables 1, optimize_coding on.
Bytes libjpegWriteCoefficients(int width, int height, const std::array<uint16_t, 64>& luminance,
                               const std::array<uint16_t, 64>& chrominance,
                               const std::array<std::span<const int16_t>, 3>& planes);

std::optional<Coefficients> libjpegReadCoefficients(const Bytes& jpeg);

// The bytes of the first segment with this marker (from the FF on, its length included), or
// nothing. The scan data is not a segment: see scanData.
std::optional<Bytes> segment(const Bytes& jpeg, uint8_t marker, int occurrence = 0);
// The entropy-coded bytes between the SOS segment and EOI.
Bytes scanData(const Bytes& jpeg);

}  // namespace jpegtest
