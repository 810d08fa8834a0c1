// Encoders: the list by MIME type, and what each writes as its reference library decodes
// it (BMP as ImageMagick does).

#include <cmath>
#include <filesystem>

#include <sys/stat.h>

#include "gdiplus_support.h"
#include "oracles.h"
#include "platform/sys/files.h"
#include "support/temp_folder.h"

using namespace gdiplustest;

namespace {

class Encoding : public GdiplusTest {
protected:
    static CLSID encoderFor(const std::u16string& mime) {
        UINT count = 0, size = 0;
        EXPECT_EQ(GdipGetImageEncodersSize(&count, &size), Ok);
        std::vector<ImageCodecInfo> buffer(size / sizeof(ImageCodecInfo) + 1);
        EXPECT_EQ(GdipGetImageEncoders(count, size, buffer.data()), Ok);
        for (UINT i = 0; i < count; ++i)
            if (buffer[i].MimeType == mime) return buffer[i].Clsid;
        ADD_FAILURE() << "no encoder";
        return {};
    }
    static std::vector<uint8_t> encode(GpImage* image, const std::u16string& mime,
                                       const EncoderParameters* params = nullptr) {
        const CLSID clsid = encoderFor(mime);
        Stream stream;
        EXPECT_EQ(GdipSaveImageToStream(image, &stream, &clsid, params), Ok);
        return stream.bytes();
    }
};

// 16 x 9: every pixel of its own colour; with `transparency`, the left column clear,
// the right one half transparent and one pixel at alpha 1.
Pixels sample(bool transparency) {
    Pixels p(16, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 16; ++x) p.set(x, y, opaque(uint8_t(x * 16 + 3), uint8_t(y * 28 + 1), uint8_t((x * y * 7) & 0xFF)));
    if (transparency) {
        for (int y = 0; y < 9; ++y) {
            p.set(0, y, {});
            const Px c = p.get(15, y);
            p.set(15, y, {uint8_t(c.b / 2), uint8_t(c.g / 2), uint8_t(c.r / 2), 128});
        }
        p.set(5, 5, {0, 1, 1, 1});
    }
    return p;
}

// A straight decode premultiplied again with rounding must give back the premultiplied
// source exactly: the encoder's straightening lost nothing.
void expectSamePremultiplied(const Pixels& source, const Rgba& decoded) {
    ASSERT_EQ(decoded.width, source.width);
    ASSERT_EQ(decoded.height, source.height);
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < source.width; ++x) {
            const uint8_t* d = decoded.at(x, y);
            auto pm = [&](int c) { return uint8_t((c * d[3] + 127) / 255); };
            EXPECT_EQ((Px{pm(d[2]), pm(d[1]), pm(d[0]), d[3]}), source.get(x, y)) << x << "," << y;
        }
    }
}

TEST_F(Encoding, EncodersAreListedByMimeType) {
    UINT count = 0, size = 0;
    ASSERT_EQ(GdipGetImageEncodersSize(&count, &size), Ok);
    ASSERT_EQ(count, 5u);
    std::vector<ImageCodecInfo> buffer(size / sizeof(ImageCodecInfo) + 1);
    EXPECT_EQ(GdipGetImageEncoders(count, size - 1, buffer.data()), InvalidParameter);
    EXPECT_EQ(GdipGetImageEncoders(count + 1, size, buffer.data()), InvalidParameter);
    ASSERT_EQ(GdipGetImageEncoders(count, size, buffer.data()), Ok);
    std::vector<std::u16string> mimes;
    for (UINT i = 0; i < count; ++i) {
        mimes.emplace_back(buffer[i].MimeType);
        const auto* text = reinterpret_cast<const uint8_t*>(buffer[i].MimeType);
        EXPECT_GE(text, reinterpret_cast<const uint8_t*>(buffer.data() + count)) << "strings after the records";
        EXPECT_LT(text, reinterpret_cast<const uint8_t*>(buffer.data()) + size);
        for (UINT j = 0; j < i; ++j) EXPECT_FALSE(buffer[i].Clsid == buffer[j].Clsid);
    }
    EXPECT_EQ(mimes, (std::vector<std::u16string>{u"image/bmp", u"image/jpeg", u"image/gif", u"image/tiff",
                                                   u"image/png"}));
}

TEST_F(Encoding, PngAsLibpngDecodesIt) {
    for (bool transparency : {false, true}) {
        Pixels p = sample(transparency);
        Image image = viewOf(p);
        const std::optional<Rgba> decoded = libpngDecode(encode(image.get(), u"image/png"));
        ASSERT_TRUE(decoded);
        expectSamePremultiplied(p, *decoded);
    }
}

TEST_F(Encoding, TiffAsLibtiffDecodesIt) {
    for (bool transparency : {false, true}) {
        Pixels p = sample(transparency);
        Image image = viewOf(p);
        const std::optional<Rgba> decoded = libtiffDecode(encode(image.get(), u"image/tiff"));
        ASSERT_TRUE(decoded);
        // Associated alpha: libtiff hands the premultiplied samples out as stored.
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                const uint8_t* d = decoded->at(x, y);
                EXPECT_EQ((Px{d[2], d[1], d[0], d[3]}), p.get(x, y)) << x << "," << y;
            }
    }
}

TEST_F(Encoding, GifAsGiflibDecodesIt) {
    Pixels p = sample(true);
    Image image = viewOf(p);
    const std::optional<Rgba> decoded = giflibDecode(encode(image.get(), u"image/gif"));
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->width, 16);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const Px s = p.get(x, y);
            const uint8_t* d = decoded->at(x, y);
            if (s.a < 128) {
                EXPECT_EQ(d[3], 0) << "under half opacity: the transparent index";
                continue;
            }
            auto straight = [&](int c) { return (c * 255 + s.a / 2) / s.a; };
            EXPECT_EQ(d[3], 255);
            EXPECT_EQ(d[0], straight(s.r)) << x << "," << y;
            EXPECT_EQ(d[1], straight(s.g));
            EXPECT_EQ(d[2], straight(s.b));
        }
    }

    // More colours than a table holds: quantised, still close.
    Pixels many(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) many.set(x, y, opaque(uint8_t(x * 4), uint8_t(y * 4), uint8_t((x + y) * 2)));
    Image big = viewOf(many);
    const std::optional<Rgba> quantised = giflibDecode(encode(big.get(), u"image/gif"));
    ASSERT_TRUE(quantised);
    double error = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) error += std::abs(quantised->at(x, y)[0] - many.get(x, y).r);
    EXPECT_LT(error / (64 * 64), 8.0);
}

TEST_F(Encoding, BmpAsImageMagickDecodesIt) {
    for (bool transparency : {false, true}) {
        Pixels p = sample(transparency);
        Image image = viewOf(p);
        const std::optional<Rgba> decoded = magickDecode(encode(image.get(), u"image/bmp"), "bmp");
        ASSERT_TRUE(decoded);
        expectSamePremultiplied(p, *decoded);
    }
}

// A JPEG round trip of a smooth picture at quality 90: no sample further than 12 from the
// source, and 2.5 on average.
TEST_F(Encoding, JpegAsLibjpegDecodesItWithinTheStatedError) {
    Pixels p(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) p.set(x, y, opaque(uint8_t(x * 4), uint8_t(y * 5), uint8_t(128 + (x - y))));
    Image image = viewOf(p);
    int32_t quality = 90;
    EncoderParameters params{1, {{EncoderQuality, 1, EncoderParameterValueTypeLong, &quality}}};
    const std::vector<uint8_t> good = encode(image.get(), u"image/jpeg", &params);
    const std::optional<Rgba> decoded = libjpegDecode(good);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->width, 64);
    int worst = 0;
    double total = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const Px s = p.get(x, y);
            const uint8_t* d = decoded->at(x, y);
            for (const int e : {d[0] - s.r, d[1] - s.g, d[2] - s.b}) {
                worst = std::max(worst, std::abs(e));
                total += std::abs(e);
            }
        }
    EXPECT_LE(worst, 12);
    EXPECT_LT(total / (64 * 48 * 3), 2.5);

    quality = 30;
    EXPECT_LT(encode(image.get(), u"image/jpeg", &params).size(), good.size());
    quality = 101;
    const CLSID jpeg = encoderFor(u"image/jpeg");
    Stream stream;
    EXPECT_EQ(GdipSaveImageToStream(image.get(), &stream, &jpeg, &params), InvalidParameter);
    EXPECT_EQ(encode(image.get(), u"image/jpeg").size(), [&] {
        quality = 75;
        return encode(image.get(), u"image/jpeg", &params).size();
    }()) << "75 without parameters";
}

TEST_F(Encoding, FilesStreamsAndOrientation) {
    Pixels p = sample(false);
    Image image = viewOf(p);
    ASSERT_EQ(GdipImageRotateFlip(image.get(), Rotate90FlipNone), Ok);
    const std::vector<uint8_t> streamed = encode(image.get(), u"image/png");
    const std::optional<Rgba> decoded = libpngDecode(streamed);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 9) << "encoded as turned";
    const uint8_t* corner = decoded->at(8, 0);
    EXPECT_EQ((Px{corner[2], corner[1], corner[0], corner[3]}), p.get(0, 0)) << "top-left went top-right";

    testsupport::TempFolder folder;
    const CLSID png = encoderFor(u"image/png");
    ASSERT_EQ(GdipSaveImageToFile(image.get(), wide(folder.file("a.png")).c_str(), &png, nullptr), Ok);
    EXPECT_EQ(readFileBytes(folder.file("a.png")), streamed);
    EXPECT_EQ(GdipSaveImageToFile(image.get(), wide(folder.file("no/such/dir.png")).c_str(), &png, nullptr),
              Win32Error);
    const CLSID unknown{1, 2, 3, {4}};
    EXPECT_EQ(GdipSaveImageToFile(image.get(), wide(folder.file("b.png")).c_str(), &unknown, nullptr),
              FileNotFound);
}

TEST_F(Encoding, AReadOnlyFileIsNotReplaced) {
    Pixels p = sample(false);
    Image image = viewOf(p);
    testsupport::TempFolder folder;
    const std::string path = folder.file("kept.jpg");
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    sys::writeFile(path, old);
    ::chmod(path.c_str(), 0444);
    for (const char16_t* mime : {u"image/jpeg", u"image/png", u"image/bmp", u"image/gif", u"image/tiff"}) {
        const CLSID clsid = encoderFor(mime);
        EXPECT_EQ(GdipSaveImageToFile(image.get(), wide(path).c_str(), &clsid, nullptr), Win32Error);
    }
    EXPECT_EQ(readFileBytes(path), old);
    EXPECT_EQ(testsupport::modeOf(path), 0444u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << "a temporary file stayed";
}

}  // namespace
