// cImage32::LoadPicture_Resource over a resource double and over the program's built-in
// Qt resources.

#include <map>
#include <utility>

#include "image_support.h"
#include "platform/sys/program_resources.h"
#include "resources/program_resources.h"

using namespace imagetest;

namespace {

class ResourceDouble : public sys::ResourceService {
public:
    std::map<std::pair<std::string, std::string>, std::vector<uint8_t>> custom;
    std::map<std::pair<sys::PictureResourceKind, std::string>, std::vector<uint8_t>> pictures;

    std::optional<std::vector<uint8_t>> customResource(const std::string& type, const std::string& id) override {
        const auto found = custom.find({type, id});
        if (found == custom.end()) return std::nullopt;
        return found->second;
    }
    std::optional<std::vector<uint8_t>> pictureResource(sys::PictureResourceKind kind, const std::string& id) override {
        const auto found = pictures.find({kind, id});
        if (found == pictures.end()) return std::nullopt;
        return found->second;
    }
};

// A BMP of a w x 1 row of opaque grey `value`.
std::vector<uint8_t> bmpBytes(int width, uint8_t value) {
    cImage32 image;
    EXPECT_TRUE(image.InitializeDIB(width, 1));
    for (int x = 0; x < width; ++x) put(image, x, 0, {value, value, value, 255});
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(image.SaveToStream_Bitmap(bytes));
    return bytes;
}

// An ICO of one 2 x 2 entry, 32 bpp, every pixel opaque (b 10, g 20, r 30).
std::vector<uint8_t> icoBytes() {
    std::vector<uint8_t> b = {0, 0, 1, 0, 1, 0,                        // directory: icon, 1 entry
                              2, 2, 0, 0, 1, 0, 32, 0, 64, 0, 0, 0, 22, 0, 0, 0,  // entry: 64 bytes at 22
                              40, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 32, 0};  // header: height doubled
    b.resize(b.size() + 24, 0);  // compression, sizes, resolutions, colours
    for (int i = 0; i < 4; ++i) b.insert(b.end(), {10, 20, 30, 255});
    b.resize(b.size() + 8, 0);  // AND mask: two rows of four bytes
    return b;
}

class ResourceLoading : public ImageTest {
protected:
    ResourceDouble resources;
    void TearDown() override {
        sys::setResourceService(nullptr);
        ImageTest::TearDown();
    }
};

TEST_F(ResourceLoading, CustomAndPictureResourcesLoadFromTheGivenOrTheInstalledResources) {
    resources.custom[{"PICTURES", "101"}] = bmpBytes(5, 40);
    std::vector<uint8_t> offset(30, 0xEE);
    const std::vector<uint8_t> bmp = bmpBytes(7, 60);
    offset.insert(offset.end(), bmp.begin(), bmp.end());
    resources.custom[{"PICTURES", "logo"}] = offset;
    resources.pictures[{sys::PictureResourceKind::Bitmap, "7"}] = bmpBytes(3, 80);
    resources.pictures[{sys::PictureResourceKind::Icon, "8"}] = icoBytes();

    cImage32 image;
    ASSERT_TRUE(image.LoadPicture_Resource(101, "PICTURES", &resources)) << "a number id reads as its text";
    EXPECT_EQ(image.Width(), 5);
    EXPECT_EQ(at(image, 4, 0), (Px{40, 40, 40, 255}));
    ASSERT_TRUE(image.LoadPicture_Resource("logo", "PICTURES", &resources, 32, 32, 30, int64_t(bmp.size())))
        << "the stream range is the resource's";
    EXPECT_EQ(image.Width(), 7);
    ASSERT_TRUE(image.LoadPicture_Resource(7, 0, &resources));
    EXPECT_EQ(at(image, 2, 0), (Px{80, 80, 80, 255}));
    ASSERT_TRUE(image.LoadPicture_Resource("8", 1, &resources));
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(at(image, 1, 1), (Px{10, 20, 30, 255}));

    EXPECT_FALSE(image.LoadPicture_Resource(101, "PICTURES")) << "the program carries none yet";
    sys::setResourceService(&resources);
    ASSERT_TRUE(image.LoadPicture_Resource(101, "PICTURES"));
    EXPECT_EQ(image.Width(), 5);
    ResourceDouble empty;
    EXPECT_FALSE(image.LoadPicture_Resource(101, "PICTURES", &empty)) << "the given resources, not the program's";
}

TEST_F(ResourceLoading, MissingResourcesGiveFalseAndKeepTheImage) {
    resources.custom[{"PICTURES", "101"}] = bmpBytes(5, 40);
    resources.pictures[{sys::PictureResourceKind::Bitmap, "7"}] = bmpBytes(3, 80);
    struct Case {
        runtime::Variant index, section;
        const char* why;
    };
    const Case cases[] = {
        {102, "PICTURES", "no such id"},
        {101, "OTHER", "no such type"},
        {7, 1, "no icon of that id"},
        {7, 3, "no picture kind 3"},
        {7, -1, "nor -1"},
        {runtime::Variant::Null(), "PICTURES", "a Null id"},
        {101, runtime::Variant::Null(), "a Null section"},
        {101, runtime::Variant::Object(), "an object as section"},
    };
    for (const Case& c : cases) {
        cImage32 image;
        ASSERT_TRUE(image.LoadPicture_Resource(7, 0, &resources));
        EXPECT_FALSE(image.LoadPicture_Resource(c.index, c.section, &resources)) << c.why;
        EXPECT_EQ(image.Width(), 3) << c.why;
    }
}

TEST_F(ResourceLoading, BytesThatAreNoPictureGiveFalse) {
    std::vector<uint8_t> noise(200);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 37 + 11);
    resources.custom[{"PICTURES", "noise"}] = noise;
    const std::vector<uint8_t> tiny = bmpBytes(1, 1);
    resources.custom[{"PICTURES", "short"}] = std::vector<uint8_t>(tiny.begin(), tiny.begin() + 19);
    resources.pictures[{sys::PictureResourceKind::Bitmap, "noise"}] = noise;
    resources.pictures[{sys::PictureResourceKind::Bitmap, "ico"}] = icoBytes();
    resources.pictures[{sys::PictureResourceKind::Icon, "bmp"}] = bmpBytes(3, 80);
    resources.pictures[{sys::PictureResourceKind::Bitmap, "good"}] = bmpBytes(3, 80);

    cImage32 image;
    ASSERT_TRUE(image.LoadPicture_Resource("good", 0, &resources));
    EXPECT_FALSE(image.LoadPicture_Resource("noise", "PICTURES", &resources));
    EXPECT_EQ(image.Handle(), 0u) << "the readers were offered the bytes and dropped the image";

    const struct {
        runtime::Variant index, section;
        const char* why;
    } kept[] = {
        {"short", "PICTURES", "19 bytes are no picture, though the old image stays"},
        {"noise", 0, "the picture loader refuses them"},
        {"ico", 0, "an icon is no bitmap"},
        {"bmp", 1, "a bitmap is no icon"},
    };
    for (const auto& c : kept) {
        ASSERT_TRUE(image.LoadPicture_Resource("good", 0, &resources));
        EXPECT_FALSE(image.LoadPicture_Resource(c.index, c.section, &resources)) << c.why;
        EXPECT_EQ(image.Width(), 3) << c.why;
    }
}

TEST(BuiltInResources, ServeTheProgramsPicturesByFolderAndName) {
    resources::BuiltInResources builtIn;
    cImage32 image;
    ASSERT_TRUE(image.LoadPicture_Resource("ok-button.png", "pictures", &builtIn));
    EXPECT_GT(image.Width(), 0);
    ASSERT_TRUE(image.LoadPicture_Resource("logo.bmp", 0, &builtIn));
    EXPECT_GT(image.Width(), 0);
    EXPECT_FALSE(builtIn.customResource("pictures", "no-such.png"));
    EXPECT_FALSE(builtIn.customResource("help/..", "help/Help.mht")) << "one folder and one name only";
    EXPECT_FALSE(builtIn.customResource("", "Help.mht"));
    EXPECT_TRUE(builtIn.customResource("help", "Help.mht"));
}

}  // namespace
