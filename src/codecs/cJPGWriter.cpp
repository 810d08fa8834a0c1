#include "codecs/cJPGWriter.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "codecs/SaveTarget.h"
#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"

namespace codecs {

namespace {

constexpr long kErrDivisionByZero = 11;

// T.81 Annex K.1, Tables K.1 (luminance) and K.2 (chrominance), rows from the top.
constexpr std::array<uint16_t, 64> kLuminanceBase = {
    16, 11, 10, 16, 24,  40,  51,  61,   //
    12, 12, 14, 19, 26,  58,  60,  55,   //
    14, 13, 16, 24, 40,  57,  69,  56,   //
    14, 17, 22, 29, 51,  87,  80,  62,   //
    18, 22, 37, 56, 68,  109, 103, 77,   //
    24, 35, 55, 64, 81,  104, 113, 92,   //
    49, 64, 78, 87, 103, 121, 120, 101,  //
    72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<uint16_t, 64> kChrominanceBase = {
    17, 18, 24, 47, 99, 99, 99, 99,  //
    18, 21, 26, 66, 99, 99, 99, 99,  //
    24, 26, 56, 99, 99, 99, 99, 99,  //
    47, 66, 99, 99, 99, 99, 99, 99,  //
    99, 99, 99, 99, 99, 99, 99, 99,  //
    99, 99, 99, 99, 99, 99, 99, 99,  //
    99, 99, 99, 99, 99, 99, 99, 99,  //
    99, 99, 99, 99, 99, 99, 99, 99};

// 1 / (s(k) x sqrt(8)), s(0) = 1, s(k) = sqrt(2) x cos(k x pi / 16): the AAN transform's
// output scale, to these decimals exactly.
constexpr std::array<double, 8> kAanScale = {
    0.353553390593273, 0.25489778955208,  0.270598050073098, 0.300672443467523,
    0.353553390593273, 0.449988111568207, 0.653281482438186, 1.28145772387074};

constexpr double kC4 = 0.707106781186548;
constexpr double kC6 = 0.382683432365091;
constexpr double kC2MinusC6 = 0.541196100146196;
constexpr double kC2PlusC6 = 1.30656296487638;

// Colour conversion weights, 32-bit floats as the samples' arithmetic takes them.
constexpr double kYR = 0.299f, kYG = 0.587f, kYB = 0.114f;
constexpr double kCbR = -0.16874f, kCbG = -0.33126f, kCbB = 0.5f;
constexpr double kCrR = 0.5f, kCrG = -0.41869f, kCrB = -0.08131f;

// zigzag[row x 8 + column]: the position's number in the T.81 zigzag sequence, walking
// the diagonals from (0, 0), the first step to the right.
constexpr std::array<uint8_t, 64> makeZigzag() {
    std::array<uint8_t, 64> table{};
    int row = 0, column = 0;
    for (int n = 0; n < 64; ++n) {
        table[size_t(row * 8 + column)] = uint8_t(n);
        if ((row + column) % 2 == 0) {  // going up and to the right
            if (column == 7) ++row;
            else if (row == 0) ++column;
            else --row, ++column;
        } else {  // going down and to the left
            if (row == 7) ++column;
            else if (column == 0) ++row;
            else ++row, --column;
        }
    }
    return table;
}
constexpr std::array<uint8_t, 64> kZigzag = makeZigzag();

// The transform leaves its output transposed (see forwardDct): entry i = column x 8 + row.
// kTransposedZigzag[i] is the zigzag number of that coefficient.
constexpr std::array<uint8_t, 64> makeTransposedZigzag() {
    std::array<uint8_t, 64> table{};
    for (int i = 0; i < 64; ++i) table[size_t(i)] = kZigzag[size_t((i % 8) * 8 + i / 8)];
    return table;
}
constexpr std::array<uint8_t, 64> kTransposedZigzag = makeTransposedZigzag();

// Nearest integer, halves to even: adding 1.5 x 2^52 leaves no fraction bits, and the
// addition rounds as the hardware does by default, to even. Exact for |v| < 2^31 (the
// coefficients stay far below); faster than nearbyint, which is a library call without
// SSE4.1, and it runs two to a vector register.
inline int32_t nearestInt(double v) {
    constexpr double kShift = 6755399441055744.0;
    return int32_t((v + kShift) - kShift);
}

double nearest(double v) { return std::nearbyint(v); }

using Block = float[8][8];

// One AAN pass over the eight lanes of x: lane l transforms x[0][l] .. x[7][l] in place.
// A named value is a 32-bit float, each right side evaluated in double precision. Sums and
// differences of two floats are written in float arithmetic: rounding the exact result to
// double first and then to float gives the same float (double carries more than twice a
// float's precision), and the lanes then run four to a vector register. The products with
// the double constants are written in double.
inline void aanPass(Block& x) {
    for (int l = 0; l < 8; ++l) {
        const float t0 = x[0][l] + x[7][l], t7 = x[0][l] - x[7][l];
        const float t1 = x[1][l] + x[6][l], t6 = x[1][l] - x[6][l];
        const float t2 = x[2][l] + x[5][l], t5 = x[2][l] - x[5][l];
        const float t3 = x[3][l] + x[4][l], t4 = x[3][l] - x[4][l];

        const float p = t4 + t5;
        const float t13 = t0 - t3;
        const float t10 = t0 + t3;
        const float t11 = t1 + t2;

        // t1 - t2 is not stored: the whole right side in double.
        const float z1 = float((double(t1) - double(t2) + double(t13)) * kC4);

        const float q = t6 + t7;
        const float z3 = float((double(t5) + double(t6)) * kC4);

        const float z5 = float((double(p) - double(q)) * kC6);
        const float z2 = float(kC2MinusC6 * double(p) + double(z5));
        const float z4 = float(kC2PlusC6 * double(q) + double(z5));

        const float z11 = t7 + z3;
        const float z13 = t7 - z3;

        x[0][l] = t10 + t11;
        x[4][l] = t10 - t11;
        x[1][l] = z11 + z4;
        x[7][l] = z11 - z4;
        x[2][l] = t13 + z1;
        x[6][l] = t13 - z1;
        x[5][l] = z13 + z2;
        x[3][l] = z13 - z2;
    }
}

void transpose(const Block& in, Block& out) {
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) out[c][r] = in[r][c];
}

// Columns first, then rows, as the transform is defined. The rows are transformed as the
// lanes of the transposed block, so `out` holds the coefficient of (row, column) at
// out[column][row].
void forwardDct(Block& block, Block& out) {
    aanPass(block);
    transpose(block, out);
    aanPass(out);
}

// The transposed coefficients times the table's multipliers (kept in the same transposed
// order), rounded to even, into the block's 64 zigzag places. Raises Overflow for a value
// beyond 16 bits (none of 8-bit samples).
void quantize(const Block& coefficients, const std::array<float, 64>& multipliers, int16_t* out) {
    const float* c = &coefficients[0][0];
    int32_t values[64];
    uint32_t outside = 0;  // non-zero when a value leaves the 16-bit range
    for (size_t i = 0; i < 64; ++i) {
        values[i] = nearestInt(double(c[i]) * double(multipliers[i]));
        outside |= uint32_t(values[i] + 32768) >> 16;
    }
    if (outside) runtime::raise(runtime::kErrOverflow);
    for (size_t i = 0; i < 64; ++i) out[kTransposedZigzag[i]] = int16_t(values[i]);
}

// Y, Cb and Cr of 64 pixels. Each sum is exact in double precision (the 32-bit float
// weights times bytes need at most 35 bits) and rounded to a float once. The level shift of
// 128 is folded into Y; for Cb and Cr their own +128 offset cancels it.
void convertColours(const int32_t* red, const int32_t* green, const int32_t* blue, Block& y, Block& cb,
                    Block& cr) {
    float* yOut = &y[0][0];
    float* cbOut = &cb[0][0];
    float* crOut = &cr[0][0];
    for (size_t i = 0; i < 64; ++i) {
        const double r = red[i], g = green[i], b = blue[i];
        yOut[i] = float(kYR * r + kYG * g + kYB * b - 128.0);
        cbOut[i] = float(kCbR * r + kCbG * g + kCbB * b);
        crOut[i] = float(kCrR * r + kCrG * g + kCrB * b);
    }
}

// Blue, green, red of a premultiplied pixel over the fill colour. Raises Overflow when a
// channel comes out above 255 (a colour byte above its alpha).
struct Bgr {
    int b, g, r;
};
inline Bgr composite(const uint8_t* p, const Bgr& fill) {
    const int a = p[3];
    if (a == 255) return {p[0], p[1], p[2]};
    if (a == 0) return fill;
    const int keep = 255 - a;
    const Bgr out{p[0] + fill.b * keep / 255, p[1] + fill.g * keep / 255, p[2] + fill.r * keep / 255};
    if (out.b > 255 || out.g > 255 || out.r > 255) runtime::raise(runtime::kErrOverflow);
    return out;
}

void putMarker(OutputBuffer& out, uint8_t marker) {
    out.put(0xFF);
    out.put(marker);
}

}  // namespace

cJPGWriter::cJPGWriter() {
    for (int i = 0; i < kComponents; ++i) {
        JPGComponent& c = components_[size_t(i)];
        c.id = uint8_t(i + 1);
        c.h = c.v = 1;
        c.dcTable = c.acTable = i == 0 ? 0 : 1;  // Cb and Cr share the chrominance slots
    }
}

void cJPGWriter::SetQuantizationTables(uint8_t Quality) {
    if (Quality == 0) throw runtime::Error(kErrDivisionByZero, "Division by zero");
    const int scale = Quality < 50 ? int(nearest(5000.0 / Quality)) : Quality <= 100 ? 200 - 2 * Quality : 0;
    for (int slot = 0; slot < 2; ++slot) {
        const std::array<uint16_t, 64>& base = slot == 0 ? kLuminanceBase : kChrominanceBase;
        QuantizationTable& table = quant_[size_t(slot)];
        for (size_t n = 0; n < 64; ++n) {
            // An exact division, rounded to even: (312 x 16 + 50) / 100 = 50.42 -> 50, and
            // at quality 50 (100 x 11 + 50) / 100 = 11.5 -> 12.
            const double v = nearest(double(scale * base[n] + 50) / 100.0);
            table.values[kZigzag[n]] = uint16_t(std::clamp(v, 1.0, 255.0));
        }
        for (uint16_t value : table.values)
            if (value < 1 || value > 255)
                throw runtime::Error(runtime::kErrInvalidProcedureCall, "Bad Quantization Table");
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c) {
                const size_t z = kZigzag[size_t(r * 8 + c)];
                table.multipliers[z] = float(kAanScale[size_t(r)] * kAanScale[size_t(c)] / table.values[z]);
            }
    }
}

void cJPGWriter::Sample(const cImage32& host, int32_t fillColor) {
    width_ = host.Width();
    height_ = host.Height();
    const size_t blocksPerRow = (size_t(width_) + 7) / 8, blockRows = (size_t(height_) + 7) / 8;
    planeSize_ = blocksPerRow * blockRows * 64;
    for (int i = 0; i < kComponents; ++i) {
        planes_[size_t(i)] = LargeBuffer(planeSize_ * sizeof(int16_t));
        components_[size_t(i)].plane = CoefficientPlane(i);
    }
    const Bgr fill{fillColor >> 16 & 0xFF, fillColor >> 8 & 0xFF, fillColor & 0xFF};

    // Multipliers in the transposed order the transform leaves its output in.
    std::array<std::array<float, 64>, kComponents> multipliers;
    for (int i = 0; i < kComponents; ++i)
        for (size_t k = 0; k < 64; ++k)
            multipliers[size_t(i)][k] = quant_[i == 0 ? 0 : 1].multipliers[kTransposedZigzag[k]];

    const uint8_t* bits = host.BitsPointer();
    const size_t scan = size_t(host.scanWidth());
    size_t at = 0;  // the fill position, the same in every plane
    int32_t red[64], green[64], blue[64];
    Block y, cb, cr, out;
    for (size_t by = 0; by < blockRows; ++by) {
        for (size_t bx = 0; bx < blocksPerRow; ++bx, at += 64) {
            // Past the image's right and bottom edges the last pixel and row repeat.
            for (size_t j = 0; j < 8; ++j) {
                const size_t imageRow = std::min(by * 8 + j, size_t(height_) - 1);
                const uint8_t* row = bits + (size_t(height_) - 1 - imageRow) * scan;
                if (bx * 8 + 8 <= size_t(width_)) {
                    // Eight opaque pixels, as most are: their bytes as they stand.
                    const uint8_t* p = row + bx * 32;
                    unsigned alpha = 255;
                    for (size_t i = 0; i < 8; ++i) alpha &= p[i * 4 + 3];
                    if (alpha == 255) {
                        for (size_t i = 0; i < 8; ++i) {
                            blue[j * 8 + i] = p[i * 4];
                            green[j * 8 + i] = p[i * 4 + 1];
                            red[j * 8 + i] = p[i * 4 + 2];
                        }
                        continue;
                    }
                }
                for (size_t i = 0; i < 8; ++i) {
                    const size_t column = std::min(bx * 8 + i, size_t(width_) - 1);
                    const Bgr px = composite(row + column * 4, fill);
                    blue[j * 8 + i] = px.b;
                    green[j * 8 + i] = px.g;
                    red[j * 8 + i] = px.r;
                }
            }
            convertColours(red, green, blue, y, cb, cr);
            Block* blocks[kComponents] = {&y, &cb, &cr};
            for (int i = 0; i < kComponents; ++i) {
                forwardDct(*blocks[i], out);
                quantize(out, multipliers[size_t(i)], reinterpret_cast<int16_t*>(planes_[size_t(i)].data()) + at);
            }
        }
    }
}

void cJPGWriter::WriteHeaders(OutputBuffer& out) const {
    putMarker(out, 0xD8);  // SOI

    putMarker(out, 0xE0);  // APP0: JFIF 1.01, no units, aspect 1:1, no thumbnail
    out.put16(16);
    for (uint8_t b : {'J', 'F', 'I', 'F', '\0'}) out.put(b);
    out.put(1);
    out.put(1);
    out.put(0);
    out.put16(1);
    out.put16(1);
    out.put(0);
    out.put(0);

    for (int slot = 0; slot < 2; ++slot) {
        const size_t start = out.position();
        putMarker(out, 0xDB);  // DQT, one table of 8-bit entries
        out.put16(0);
        out.put(uint8_t(slot));
        for (uint16_t value : quant_[size_t(slot)].values) {
            if (value > 255)
                throw runtime::Error(runtime::kErrInvalidProcedureCall,
                                     "Illegal precision in Quantization Table");
            out.put(uint8_t(value));
        }
        out.patch16(start + 2, uint32_t(out.position() - start - 2));
    }

    putMarker(out, 0xC0);  // SOF0: baseline, 8-bit samples
    out.put16(8 + 3 * kComponents);
    out.put(8);
    out.put16(uint32_t(height_));
    out.put16(uint32_t(width_));
    out.put(kComponents);
    for (int i = 0; i < kComponents; ++i) {
        const JPGComponent& c = components_[size_t(i)];
        out.put(c.id);
        out.put(uint8_t(c.h << 4 | c.v));
        out.put(i == 0 ? 0 : 1);  // quantisation slot
    }

    for (int slot = 0; slot < 2; ++slot)
        for (int ac = 0; ac < 2; ++ac) {
            const JPGHuffmanTable& table = ac ? entropy_.AcTable(slot) : entropy_.DcTable(slot);
            const size_t start = out.position();
            putMarker(out, 0xC4);  // DHT, one table
            out.put16(0);
            out.put(uint8_t(ac << 4 | slot));
            for (uint8_t count : table.bits) out.put(count);
            for (uint8_t symbol : table.huffval) out.put(symbol);
            out.patch16(start + 2, uint32_t(out.position() - start - 2));
        }
}

bool cJPGWriter::SaveAsJPG(const std::string& FileName, std::vector<uint8_t>& outStream,
                           const cImage32* cHost, uint8_t Quality, int32_t TransFillColor) {
    // Refused before the planes take any memory; nothing is written that the program
    // could not read back.
    if (!fitsSides(cHost, picture::kLargestJpegSide)) return false;
    SaveTarget target(FileName);
    if (!target.ready()) return false;
    try {
        SetQuantizationTables(Quality);
        Sample(*cHost, TransFillColor);
        const uint64_t estimate = entropy_.OptimizeTables(components_);

        // Room for the estimate with a margin for the headers and the stuffed bytes; the
        // buffer grows should the scan need more.
        OutputBuffer out(size_t(nearest(1.3 * double(estimate) + 1000.0)) + 1);
        WriteHeaders(out);
        entropy_.WriteScans(components_, out);
        putMarker(out, 0xD9);  // EOI

        return target.deliver(out.written(), outStream);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace codecs
