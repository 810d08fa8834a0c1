#include "fx_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fxtest {

FxPicture::FxPicture(int width, int height) : surface_(width, height, 32) {}

FxPicture::FxPicture(const FxPicture& other) : surface_(other.width(), other.height(), 32) {
    for (int y = 0; y < height(); ++y) std::copy_n(other.row(y), width(), row(y));
}

void FxPicture::fill(uint32_t pixel) {
    for (int y = 0; y < height(); ++y) std::fill_n(row(y), width(), pixel);
}

std::vector<uint32_t> FxPicture::pixels() const {
    std::vector<uint32_t> out;
    out.reserve(size_t(width()) * size_t(height()));
    for (int y = 0; y < height(); ++y) out.insert(out.end(), row(y), row(y) + width());
    return out;
}

std::vector<uint8_t> FxPicture::rgb() const {
    std::vector<uint8_t> out;
    out.reserve(size_t(width()) * size_t(height()) * 3);
    for (const uint32_t p : pixels()) {
        out.push_back(uint8_t(p >> 16));
        out.push_back(uint8_t(p >> 8));
        out.push_back(uint8_t(p));
    }
    return out;
}

namespace {

uint8_t byteOf(double v) { return uint8_t(std::clamp(std::lrint(v), 0L, 255L)); }

uint32_t photoPixel(int x, int y, int w, int h, uint32_t& noise) {
    noise = noise * 1664525u + 1013904223u;
    const double u = (x + 0.5) / w, v = (y + 0.5) / h;
    const double disc = std::hypot(u - 0.62, v - 0.45) < 0.22 ? 1.0 : 0.0;
    const double soft = std::exp(-12 * std::pow(std::hypot(u - 0.3, v - 0.7), 2));
    const bool bar = (x / std::max(1, w / 9)) % 3 == 1 && v < 0.35;
    const int grain = int(noise >> 28) - 8;
    double r = 40 + 170 * u + 50 * soft + grain, g = 30 + 150 * v + 60 * disc + grain,
           b = 200 - 120 * u * v + 40 * soft - 70 * disc + grain;
    if (bar) r = 250 - grain, g = 245, b = 20 + grain;
    const uint32_t alpha = (noise >> 8) & 0xFF;
    return alpha << 24 | uint32_t(byteOf(r)) << 16 | uint32_t(byteOf(g)) << 8 | byteOf(b);
}

}  // namespace

FxPicture makeFixture(Fixture kind, int width, int height) {
    FxPicture picture(width, height);
    uint32_t noise = 0x2545F491u ^ uint32_t(width * 7919 + height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t p = photoPixel(x, y, width, height, noise);
            if (kind == Fixture::Greys) {
                const uint32_t g = (p >> 8) & 0xFF;
                p = (p & 0xFF000000u) | g << 16 | g << 8 | g;
            } else if (kind == Fixture::Ramp || kind == Fixture::GreyRamp) {
                const uint32_t c = uint32_t(x % 256), k = kind == Fixture::GreyRamp ? 0 : uint32_t(y % 6);
                const uint32_t rgb[6] = {c << 16 | c << 8 | c, c << 16, c << 8, c,
                                         c << 16 | (255 - c) << 8 | (c / 2),
                                         (c * 7 % 256) << 16 | (c * 3 % 256) << 8 | (255 - c)};
                p = (p & 0xFF000000u) | rgb[k];
            } else if (kind == Fixture::Rings) {
                const double r = std::hypot(x + 0.5 - width / 2.0, y + 0.5 - height / 2.0);
                const double wave = 0.5 + 0.5 * std::sin(r * 0.45);
                p = (p & 0xFF000000u) | uint32_t(byteOf(255 * wave)) << 16 |
                    uint32_t(byteOf(40 + 180 * (1 - wave))) << 8 | byteOf(90 + 120 * (double(x) / width));
            }
            picture.set(x, y, p);
        }
    return picture;
}

const char* fixtureName(Fixture kind) {
    switch (kind) {
        case Fixture::Photo: return "photo";
        case Fixture::Greys: return "greys";
        case Fixture::Ramp: return "ramp";
        case Fixture::Rings: return "rings";
        case Fixture::GreyRamp: return "grey ramp";
    }
    return "?";
}

bool writePpm(const FxPicture& picture, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << picture.width() << " " << picture.height() << "\n255\n";
    const std::vector<uint8_t> bytes = picture.rgb();
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

std::optional<Rgb> readPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    size_t pos = 0;
    auto token = [&]() -> std::string {
        while (pos < data.size()) {
            if (data[pos] == '#')
                while (pos < data.size() && data[pos] != '\n') ++pos;
            else if (std::isspace(data[pos])) ++pos;
            else break;
        }
        std::string t;
        while (pos < data.size() && !std::isspace(data[pos])) t += char(data[pos++]);
        return t;
    };
    const std::string magic = token();
    if (magic != "P6" && magic != "P5") return std::nullopt;
    Rgb rgb;
    rgb.width = std::atoi(token().c_str());
    rgb.height = std::atoi(token().c_str());
    const int maxval = std::atoi(token().c_str());
    ++pos;  // the one white-space byte after the header
    const int channels = magic == "P6" ? 3 : 1, sampleBytes = maxval > 255 ? 2 : 1;
    const size_t count = size_t(rgb.width) * size_t(rgb.height);
    if (rgb.width <= 0 || rgb.height <= 0 || maxval <= 0 || maxval > 65535 ||
        data.size() < pos + count * channels * sampleBytes)
        return std::nullopt;
    rgb.bytes.resize(count * 3);
    for (size_t i = 0; i < count; ++i)
        for (int c = 0; c < 3; ++c) {
            const size_t at = pos + (i * channels + size_t(channels == 3 ? c : 0)) * sampleBytes;
            const int sample = sampleBytes == 2 ? data[at] << 8 | data[at + 1] : data[at];
            rgb.bytes[i * 3 + size_t(c)] = uint8_t(std::lrint(sample * 255.0 / maxval));
        }
    return rgb;
}

}  // namespace fxtest
