// Every writer's file target: a file that nobody may write is read-only, as the platform's
// attribute; a save onto it fails, shows nothing and leaves the file, its bytes and its
// mode, as they were. A file whose owner may write it is replaced.

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include <sys/stat.h>

#include "codecs/cBMPparser.h"
#include "codecs/cGIFparser.h"
#include "codecs/cJPGWriter.h"
#include "codecs/cPNGwriter.h"
#include "codecs/cTGAparser.h"
#include "image/image_support.h"
#include "platform/picture/oracles.h"
#include "support/temp_folder.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Writer {
    const char* format;
    std::function<bool(const cImage32&, const std::string&)> save;
};

const std::vector<Writer>& writers() {
    static const std::vector<Writer> all = {
        {"png",
         [](const cImage32& i, const std::string& n) {
             Bytes b;
             return codecs::cPNGwriter().SaveAsPNG(&i, n, b);
         }},
        {"gif",
         [](const cImage32& i, const std::string& n) {
             Bytes b;
             bool adaptive = true;
             return codecs::cGIFparser().SaveAsGIF(&i, n, b, adaptive, 128);
         }},
        {"bmp",
         [](const cImage32& i, const std::string& n) {
             Bytes b;
             return codecs::cBMPparser().SaveAsBMP(i, n, b, false, 0);
         }},
        {"tga",
         [](const cImage32& i, const std::string& n) {
             Bytes b;
             return codecs::cTGAparser().SaveAsTGA(n, b, &i, false, false, false);
         }},
        {"jpg",
         [](const cImage32& i, const std::string& n) {
             Bytes b;
             return codecs::cJPGWriter().SaveAsJPG(n, b, &i, 70, 0);
         }},
    };
    return all;
}

TEST(SaveTarget, AReadOnlyFileIsKeptAndAWritableOneReplaced) {
    testsupport::TempFolder folder;
    imagetest::RecordingMessages messages;
    runtime::setMessageService(&messages);
    cImage32 image;
    std::mt19937 random(44);
    imagetest::randomImage(image, 9, 5, true, random);
    const Bytes old = {'o', 'l', 'd'};
    for (const Writer& w : writers())
        for (const mode_t mode : {0444, 0400, 0644, 0600}) {
            const bool readOnly = (mode & 0222) == 0;
            SCOPED_TRACE(testing::Message() << w.format << ", mode " << std::oct << mode);
            const std::string path = folder.file(std::string("picture.") + w.format);
            std::filesystem::remove(path);
            std::ofstream(path, std::ios::binary).write("old", 3);
            ASSERT_EQ(::chmod(path.c_str(), mode), 0);
            EXPECT_EQ(w.save(image, path), !readOnly);
            if (readOnly) EXPECT_EQ(picture::test::readBytes(path), old);
            else EXPECT_GT(picture::test::readBytes(path).size(), old.size());
            EXPECT_EQ(testsupport::modeOf(path), mode) << "the file keeps its mode";
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1)
                << "a temporary file was left behind";
            std::filesystem::remove(path);
        }
    EXPECT_TRUE(messages.calls.empty()) << "a writer showed " << messages.calls.front().prompt;
    runtime::setMessageService(nullptr);
}

}  // namespace
