// The main window over a catalogue with one record of each kind: the hidden picture box
// bound, unbound or showing the logo as each record's extension says, the navigation
// texts, the failure road, and the stored bytes untouched by showing.

#include <zlib.h>

#include <map>

#include "catalogue/form1.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "shell/module1.h"
#include "support/program_folder_test.h"
#include "support/test_environment.h"

namespace {

std::string corpus(const std::string& relative) {
    return std::string(testsupport::corporaFolder()) + "/" + relative;
}
std::string fixture(const std::string& relative) {
    return std::string(testsupport::fixturesFolder()) + "/" + relative;
}

struct Record {
    const char* name;
    const char* extent;
    std::string file;
    int pictureType;  // what the bound picture box holds: 0 the logo or nothing
    bool failureText;  // the decoder road fails (no decoder reads it yet)
};

class MainWindowShowing : public testsupport::ProgramFolderTest {
protected:
    std::vector<Record> records() const {
        return {
            {"bitmap", "BMP", corpus("bmpsuite/g/rgb24pal.bmp"), 1, false},
            {"run length", "RLE", corpus("bmpsuite/g/pal8rle.bmp"), 1, false},
            {"photo", "JPG", corpus("photos/IMG0003.jpg"), 1, false},
            {"animation", "GIF", corpus("gif/valid/hat.gif"), 1, false},
            {"icon", "ICO", corpus("ico/valid/hopper.ico"), 3, false},
            {"cursor", "CUR", corpus("ico/valid/deerstalker.cur"), 3, false},
            {"portable", "PNG", corpus("pngsuite/png/basn2c08.png"), 0, true},
            {"targa", "TGA", corpus("tga/valid/200x32_rgb_bl_raw.tga"), 0, true},
            {"tagged", "TIF", fixture("catalogue/small.tif"), 0, true},
            {"notes", "TXT", fixture("catalogue/notes.txt"), 0, false},
        };
    }

    std::map<std::string, uLong> storedChecksums() const {
        std::map<std::string, uLong> sums;
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset rs;
        rs.open(connection.share(), "Select * from Pictures");
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            const db::Bytes bytes = rs.field("Photo").getChunk(rs.field("Photo").actualSize());
            sums[rs.field("PhotoDescription").value().text()] =
                crc32(0, bytes.data(), static_cast<uInt>(bytes.size()));
        }
        return sums;
    }
};

TEST_F(MainWindowShowing, EachKindOfRecordBindsDecodesOrShowsTheLogo) {
    makeCatalogueWithRows(0);
    const auto all = records();
    for (const Record& r : all) addPicture(r.name, r.extent, sys::readFile(r.file));
    const auto before = storedChecksums();

    ASSERT_FALSE(runMain());
    Form1& form = ui::forms<Form1>();
    ASSERT_TRUE(form.Visible());
    db::Recordset& rs = form.Adodc3.recordset();
    const picture::Picture logo = form.PicLogo->Picture();
    ASSERT_TRUE(logo);

    for (size_t i = 0; i < all.size(); ++i) {
        const Record& r = all[i];
        SCOPED_TRACE(r.extent);
        if (i > 0) {
            rs.moveNext();
            form.pComboCatalogue_Click();
        }
        const picture::Picture shown = form.PictureCatalogue->Picture();
        if (r.pictureType != 0) {
            EXPECT_EQ(shown.Type(), r.pictureType);
            EXPECT_FALSE(shown == logo);
            EXPECT_TRUE(form.LabelWH->Visible());
            const gdi::SIZE px = shown.pixelSize();
            EXPECT_EQ(form.LabelWH->Caption(),
                      QString(" %1 x %2 ").arg(px.cx).arg(px.cy));
        } else {
            EXPECT_TRUE(shown == logo) << "the logo, never an earlier record's picture";
            EXPECT_FALSE(form.LabelWH->Visible());
        }
        EXPECT_EQ(form.LabelError->Visible(), r.failureText);
        if (r.failureText)
            EXPECT_TRUE(form.LabelError->Caption().startsWith("Error - Older Windows Versions requires"));
        EXPECT_EQ(form.Text2->Text(), QString("%1 / %2").arg(i + 1).arg(all.size()));
        EXPECT_EQ(form.Text4->Text(), r.extent);
        EXPECT_TRUE(form.ImageCatalogue->Visible());
    }
    EXPECT_TRUE(services.msgBoxes.empty());

    form.Unload();  // the flag is set: the program would end here
    EXPECT_EQ(storedChecksums(), before) << "showing never writes a record";
}

TEST_F(MainWindowShowing, EmptyCatalogueShowsTheLogoAndNoGauge) {
    makeCatalogueWithRows(0);
    ASSERT_FALSE(runMain());
    Form1& form = ui::forms<Form1>();
    EXPECT_TRUE(form.PictureCatalogue->Picture() == form.PicLogo->Picture());
    EXPECT_EQ(form.Text1->Text(), "");
    EXPECT_EQ(form.Text2->Text(), "");
    EXPECT_EQ(form.Text4->Text(), "");
    EXPECT_FALSE(form.Picture4->Visible());
    EXPECT_FALSE(form.LabelWH->Visible());
    EXPECT_DOUBLE_EQ(form.Width(), 6650);
}

TEST_F(MainWindowShowing, SizeTextAndStoredWidth) {
    makeCatalogueWithRows(0);
    addPicture("big", "BIN", std::vector<uint8_t>(1234567, 7));
    ASSERT_FALSE(runMain());
    Form1& form = ui::forms<Form1>();
    EXPECT_EQ(form.Text1->Text(), "1,235 K");
    EXPECT_EQ(form.Text2->Text(), "1 / 1");
    EXPECT_TRUE(form.Picture4->Visible());
    EXPECT_DOUBLE_EQ(form.Picture4->Width(), 1 * form.PictureCatalogueFrame->Width() / 2145);
}

}  // namespace
