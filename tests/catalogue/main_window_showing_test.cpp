// The main window over a catalogue with one record of each kind: the hidden picture box
// bound, unbound or showing the logo as each record's extension says, the navigation
// texts, the decoder road and its failures, and the stored bytes untouched by showing.

#include <zlib.h>

#include <QBuffer>
#include <QPainter>

#include <map>
#include <set>

#include "catalogue/main_window.h"
#include "catalogue/slideshow_window.h"
#include "image/cImage32.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/picture_conversion.h"
#include "shell/about_window.h"
#include "shell/module1.h"
#include "support/noise_pictures.h"
#include "support/png_entry_icon.h"
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
    std::vector<uint8_t> bytes;
    int pictureType;   // what the hidden picture box holds: 0 the logo
    bool failureText;  // the decoder road fails
};

std::vector<uint8_t> fileOf(const std::string& path) { return sys::readFile(path); }

class MainWindowShowing : public testsupport::ProgramFolderTest {
protected:
    std::vector<Record> records() const {
        return {
            {"bitmap", "BMP", fileOf(corpus("bmpsuite/g/rgb24pal.bmp")), 1, false},
            {"run length", "RLE", fileOf(corpus("bmpsuite/g/pal8rle.bmp")), 1, false},
            {"photo", "JPG", fileOf(corpus("photos/IMG0003.jpg")), 1, false},
            {"animation", "GIF", fileOf(corpus("gif/valid/hat.gif")), 1, false},
            {"icon", "ICO", fileOf(corpus("ico/valid/hopper.ico")), 3, false},
            {"cursor", "CUR", fileOf(corpus("ico/valid/deerstalker.cur")), 3, false},
            {"portable", "PNG", fileOf(corpus("pngsuite/png/basn2c08.png")), 1, false},
            {"targa", "TGA", fileOf(corpus("tga/valid/200x32_rgb_bl_raw.tga")), 1, false},
            {"tagged", "TIF", fileOf(fixture("catalogue/small.tif")), 1, false},
            // After a decoded picture: a file too short for any reader, and one of 57 bytes
            // that no reader knows, show the failure, never the picture decoded before.
            {"too short", "PNG", std::vector<uint8_t>(56, 0x89), 0, true},
            {"unknown", "TGA", std::vector<uint8_t>(57, 0xFF), 0, true},
            {"after failure", "PNG", fileOf(corpus("pngsuite/png/bgan6a08.png")), 1, false},
            {"drawing", "WMF", fileOf(fixture("wmf/shapes.wmf")), 2, false},
            {"enhanced drawing", "EMF", fileOf(fixture("emf/shapes.emf")), 4, false},
            {"notes", "TXT", fileOf(fixture("catalogue/notes.txt")), 0, false},
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
    for (const Record& r : all) addPicture(r.name, r.extent, r.bytes);
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
        if (r.failureText) {
            EXPECT_EQ(form.LabelError->Caption(), "Error - Files and Videos and Music may be Loaded and Viewed by "
                                                  "Clicking View in Editor or View in Browser Icons.");
        }
        EXPECT_EQ(form.Text2->Text(), QString("%1 / %2").arg(i + 1).arg(all.size()));
        EXPECT_EQ(form.Text4->Text(), r.extent);
        EXPECT_TRUE(form.ImageCatalogue->Visible());
    }
    EXPECT_TRUE(services.msgBoxes.empty());

    form.Unload();  // the flag is set: the program would end here
    EXPECT_EQ(storedChecksums(), before) << "showing never writes a record";
}

TEST_F(MainWindowShowing, JpegAndTiffFilesWithFourLetterExtensionsShowInThePaneAndTheFullScreenView) {
    const struct { const char* name; const char* extent; std::vector<uint8_t> bytes; const char* type; } cases[] = {
        {"photo.jpeg", "PEG", fileOf(corpus("photos/IMG0003.jpg")), "JPEG"},
        {"scan.tiff", "IFF", fileOf(fixture("catalogue/small.tif")), "TIFF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restartProgram();
        makeCatalogueWithRows(0);
        addPicture(c.name, c.extent, c.bytes);
        ASSERT_FALSE(runMain());
        Form1& form = ui::forms<Form1>();
        const picture::Picture shown = form.PictureCatalogue->Picture();
        EXPECT_EQ(shown.Type(), picture::kPicTypeBitmap);
        EXPECT_FALSE(shown == form.PicLogo->Picture());
        EXPECT_FALSE(form.LabelError->Visible());
        const gdi::SIZE px = shown.pixelSize();
        EXPECT_GT(px.cx, 1);
        EXPECT_EQ(form.LabelWH->Caption(), QString(" %1 x %2 ").arg(px.cx).arg(px.cy));
        EXPECT_TRUE(form.LabelWH->Visible());
        EXPECT_EQ(form.Text4->Text(), c.type);

        form.CmdCatalogueZoom_Click(1);  // shows the record again, decoding it anew
        const picture::Picture full = ui::forms<Form27>().Image1->Picture();
        EXPECT_TRUE(full == form.PictureCatalogue->Picture());
        EXPECT_FALSE(full == form.PicLogo->Picture());
        EXPECT_EQ(full.pixelSize().cx, px.cx);
        EXPECT_TRUE(services.msgBoxes.empty());
    }
}

// The platform's picture loader reads no PNG entry of an icon; the program's own icon
// reader does, so such an icon shows in the pane and the slide show. An icon that no
// reader makes sense of keeps the logo without a word.
TEST_F(MainWindowShowing, IconsOfPngEntriesShowInThePaneAndTheSlideShow) {
    const struct { const char* name; const char* extent; std::vector<uint8_t> bytes; bool shows; } cases[] = {
        {"png icon", "ICO", testsupport::pngEntryIcon(), true},
        {"bitmap icon", "ICO", fileOf(corpus("ico/valid/hopper.ico")), true},
        {"not an icon", "ICO", std::vector<uint8_t>(100, 0xEE), false},
    };
    makeCatalogueWithRows(0);
    for (const auto& c : cases) addPicture(c.name, c.extent, c.bytes);
    const auto before = storedChecksums();
    ASSERT_FALSE(runMain());
    Form1& form = ui::forms<Form1>();
    form.CmdCatalogueZoom_Click(2);
    Form27& show = ui::forms<Form27>();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.name);
        if (i > 0) show.Command1_Click();  // the slide show's Next
        const picture::Picture shown = form.PictureCatalogue->Picture();
        EXPECT_TRUE(show.Image1->Picture() == shown);
        EXPECT_EQ(shown == form.PicLogo->Picture(), !c.shows);
        EXPECT_EQ(form.LabelWH->Visible(), c.shows);
        EXPECT_FALSE(form.LabelError->Visible());
        if (i == 0) {
            EXPECT_EQ(form.LabelWH->Caption(), " 24 x 20 ") << "the larger entry";
            const QImage image = ui::ImageFromPicture(shown);
            EXPECT_EQ(image.pixel(3, 10), qRgb(200, 0, 0));
            EXPECT_EQ(image.pixel(20, 10), qRgb(0, 160, 0));
            EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0)) << "transparent, over black";
        }
        if (i == 1) EXPECT_EQ(shown.Type(), picture::kPicTypeIcon) << "bitmap entries: the platform's own icon";
    }
    EXPECT_TRUE(services.msgBoxes.empty());
    form.Timer3->setEnabled(false);
    EXPECT_EQ(storedChecksums(), before) << "showing never writes a record";
}

TEST_F(MainWindowShowing, LargeMetafilesAreFittedAndPlayedAtThePanesScale) {
    // 768 x 576 pixels (11520 x 8640 twips): wider than the threshold, so the picture is
    // scaled to the pane's width, then to its height.
    makeCatalogueWithRows(0);
    addPicture("large drawing", "WMF", fileOf(fixture("wmf/large.wmf")));
    addPicture("large enhanced drawing", "EMF", fileOf(fixture("emf/large.emf")));
    ASSERT_FALSE(runMain());
    Form1& form = ui::forms<Form1>();
    db::Recordset& rs = form.Adodc3.recordset();
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        if (i > 0) {
            rs.moveNext();
            form.pComboCatalogue_Click();
        }
        const picture::Picture shown = form.PictureCatalogue->Picture();
        EXPECT_EQ(shown.Type(), i == 0 ? picture::kPicTypeMetafile : picture::kPicTypeEnhMetafile);
        EXPECT_EQ(form.LabelWH->Caption(), " 768 x 576 ");
        const double paneW = form.PictureCatalogueFrame->Width(), paneH = form.PictureCatalogueFrame->Height();
        ui::Image& image = *form.ImageCatalogue;
        EXPECT_TRUE(image.Stretch());
        double w = paneW, h = 8640.0 * paneW / 11520.0;
        if (h >= paneH) w = w * paneH / h, h = paneH;
        EXPECT_DOUBLE_EQ(image.Width(), w);
        EXPECT_DOUBLE_EQ(image.Height(), h);
        // Played at the size shown, the drawing keeps its few flat colours: a bitmap
        // scaled smoothly from 768 x 576 would blend them at every edge.
        const QImage grabbed = image.widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(grabbed.isNull());
        std::set<QRgb> colours;
        for (int y = 0; y < grabbed.height(); ++y)
            for (int x = 0; x < grabbed.width(); ++x) colours.insert(grabbed.pixel(x, y));
        EXPECT_LE(colours.size(), 8u);
        const int x = int(grabbed.width() * 35 / 192.0), y = int(grabbed.height() * 30 / 144.0);
        EXPECT_EQ(grabbed.pixel(x, y), qRgb(255, 0, 0)) << "the red rectangle, where the fit puts it";
        if (std::getenv("QM_SCREENSHOTS"))
            grabbed.save(QString("%1/metafile_%2.png").arg(std::getenv("QM_SCREENSHOTS")).arg(i));
    }
}

TEST_F(MainWindowShowing, TransparentTargaReachesTheBitmapOverBlack) {
    const std::string source = corpus("tga/valid/200x32_rgba_bl_raw.tga");
    makeCatalogueWithRows(0);
    addPicture("alpha", "TGA", fileOf(source));
    ASSERT_FALSE(runMain());
    Form1& form = ui::forms<Form1>();
    EXPECT_EQ(form.PictureCatalogue->Picture().Type(), 1);
    EXPECT_EQ(form.LabelWH->Caption(), " 200 x 32 ");

    cImage32 decoded;
    ASSERT_TRUE(decoded.LoadPicture_File(source));
    ASSERT_NE(decoded.Alpha(), cImage32::AlphaOpaque);
    const std::vector<uint8_t> bitmap = sys::readFile(folder.file("TmpFile.bmp"));
    ASSERT_EQ(bitmap.size(), 54u + 600u * 32u);
    EXPECT_EQ(bitmap[28], 24) << "written without alpha";
    // Over black, each colour is the premultiplied one; both are stored bottom row first.
    size_t differing = 0, transparent = 0;
    for (size_t row = 0; row < 32; ++row)
        for (size_t x = 0; x < 200; ++x) {
            const uint8_t* want = decoded.BitsPointer() + row * 800 + x * 4;
            const uint8_t* got = bitmap.data() + 54 + row * 600 + x * 3;
            differing += got[0] != want[0] || got[1] != want[1] || got[2] != want[2];
            transparent += want[3] == 0;
        }
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(transparent, 0u);
}

// The pixels of a bitmap picture, top row first, as blue, green, red.
std::vector<uint8_t> bitmapBgr(const picture::Picture& p) {
    const gdi::SIZE size = p.pixelSize();
    std::vector<uint8_t> bgra(size_t(size.cx) * size_t(size.cy) * 4);
    gdi::BITMAPINFO info{};
    info.bmiHeader = {sizeof(gdi::BITMAPINFOHEADER), size.cx, -size.cy, 1, 32, gdi::BI_RGB, 0, 0, 0, 0, 0};
    const gdi::HDC dc = gdi::CreateCompatibleDC(0);
    EXPECT_EQ(gdi::GetDIBits(dc, p.Handle(), 0, gdi::UINT(size.cy), bgra.data(), &info, gdi::DIB_RGB_COLORS), size.cy);
    gdi::DeleteDC(dc);
    std::vector<uint8_t> bgr;
    for (size_t i = 0; i < bgra.size(); i += 4) bgr.insert(bgr.end(), bgra.begin() + i, bgra.begin() + i + 3);
    return bgr;
}

// The decoder's own image as the bitmap shows it: the colours over black (premultiplied),
// top row first.
std::vector<uint8_t> decodedBgr(const std::string& path) {
    cImage32 decoded;
    EXPECT_TRUE(decoded.LoadPicture_File(path));
    std::vector<uint8_t> bgr;
    for (int y = decoded.Height() - 1; y >= 0; --y)
        for (int x = 0; x < decoded.Width(); ++x) {
            const uint8_t* p = decoded.BitsPointer() + (size_t(y) * size_t(decoded.Width()) + size_t(x)) * 4;
            bgr.insert(bgr.end(), p, p + 3);
        }
    return bgr;
}

// Pictures wider than the pane's threshold on each road, so the pane scales them: each
// shows the pixels its decoder gives directly, and the pane shows them as QPainter draws
// the whole picture at the fitted size.
TEST_F(MainWindowShowing, LargePicturesShowTheirDecodedPixelsScaledIntoThePane) {
    QImage translucent(420, 150, QImage::Format_ARGB32);
    uint32_t seed = 9;
    for (int y = 0; y < translucent.height(); ++y)
        for (int x = 0; x < translucent.width(); ++x)
            translucent.setPixel(x, y, qRgba(testsupport::noiseByte(seed), testsupport::noiseByte(seed),
                                            testsupport::noiseByte(seed), testsupport::noiseByte(seed)));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(translucent.save(&buffer, "PNG"));
    const struct {
        const char* name;
        const char* extent;
        std::vector<uint8_t> bytes;
        bool decoded;
    } cases[] = {
        {"portable", "PNG", std::vector<uint8_t>(png.begin(), png.end()), true},
        {"targa", "TGA", testsupport::noiseTgaRle32(400, 380, 11), true},
        {"bitmap", "BMP", testsupport::noiseBmp24(450, 300, false, 12), false},
    };
    makeCatalogueWithRows(0);
    for (const auto& c : cases) addPicture(c.name, c.extent, c.bytes);
    ASSERT_FALSE(runMain());
    Form1& form = ui::forms<Form1>();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.name);
        if (i > 0) {
            form.Adodc3.recordset().moveNext();
            form.pComboCatalogue_Click();
        }
        const picture::Picture shown = form.PictureCatalogue->Picture();
        ASSERT_EQ(shown.Type(), picture::kPicTypeBitmap);
        const std::string own = folder.file(std::string("own.") + c.extent);
        sys::writeFile(own, c.bytes);
        if (c.decoded) {
            const std::string extension = QString(c.extent).toLower().toStdString();
            EXPECT_EQ(sys::readFile(folder.file("TmpFile1." + extension)), c.bytes) << "the record's bytes, unchanged";
            EXPECT_TRUE(bitmapBgr(shown) == decodedBgr(own));
            EXPECT_TRUE(bitmapBgr(picture::LoadPicture(folder.file("TmpFile.bmp"))) == decodedBgr(own));
        } else {
            EXPECT_TRUE(bitmapBgr(shown) == bitmapBgr(picture::LoadPictureFromBytes(c.bytes)));
        }

        ui::Image& pane = *form.ImageCatalogue;
        ASSERT_TRUE(pane.Stretch());
        const QImage grabbed = pane.widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QImage expected(grabbed.size(), QImage::Format_RGB32);
        {
            QPainter painter(&expected);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRect(QPoint(0, 0), expected.size()), ui::ImageFromPicture(shown));
        }
        ASSERT_LT(grabbed.width(), shown.pixelSize().cx) << "scaled down into the pane";
        EXPECT_TRUE(grabbed == expected);
    }
    EXPECT_TRUE(services.msgBoxes.empty());
}

TEST_F(MainWindowShowing, EmptyCatalogueShowsTheLogoAndNoGauge) {
    makeCatalogueWithRows(0);
    ASSERT_FALSE(runMain());
    Form1& form = ui::forms<Form1>();
    const picture::Picture shown = form.PictureCatalogue->Picture();
    EXPECT_TRUE(shown == ui::forms<Form38>().PicLogo->Picture()) << "the About window's logo";
    EXPECT_FALSE(shown == form.PicLogo->Picture());
    EXPECT_FALSE(ui::isLoaded<Form38>());
    EXPECT_EQ(form.Text1->Text(), "");
    EXPECT_EQ(form.Text2->Text(), "");
    EXPECT_EQ(form.Text4->Text(), "");
    EXPECT_FALSE(form.Picture4->Visible());
    // Only the main window's own logo hides the size line; the About logo is a picture.
    EXPECT_EQ(form.LabelWH->Caption(), " 80 x 81 ");
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

// The navigation strip names a record's type and size in words a user reads; what the
// catalogue stores stays as the import wrote it, also when the shown record is saved.
TEST_F(MainWindowShowing, StripShowsTypesByNameAndSmallSizesInBytes) {
    auto padded = [](std::vector<uint8_t> bytes, size_t size) {
        bytes.resize(size, 0);
        return bytes;
    };
    const std::vector<uint8_t> jpegStart = {0xFF, 0xD8, 0xFF, 0xE0}, mpegStart = {0, 0, 1, 0xBA};
    const struct { const char* name; const char* extent; std::vector<uint8_t> bytes; const char* type, *size; } cases[] = {
        {"photo", "PEG", padded(jpegStart, 999), "JPEG", "999 bytes"},
        {"scan", "IFF", fileOf(fixture("catalogue/small.tif")), "TIFF", "3 K"},  // 2568 bytes
        {"film", "PEG", padded(mpegStart, 1500), "PEG", "2 K"},                  // a .mpeg is no JPEG
        {"note", "TXT", {'x'}, "TXT", "1 byte"},
        {"empty", "BIN", {}, "BIN", "0 bytes"},
        {"shot", "JPG", padded(jpegStart, 500), "JPG", "500 bytes"},
    };
    makeCatalogueWithRows(0);
    for (const auto& c : cases) addPicture(c.name, c.extent, c.bytes);
    ASSERT_FALSE(runMain());
    Form1& form = ui::forms<Form1>();
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        if (i > 0) form.ComdADOMove_Click(2);
        EXPECT_EQ(form.Text2->Text(), QString("%1 / %2").arg(i + 1).arg(std::size(cases)));
        EXPECT_EQ(form.Text4->Text().toStdString(), cases[i].type);
        EXPECT_EQ(form.Text1->Text().toStdString(), cases[i].size);
        form.TextField[11]->setText("seen");  // the record is saved with the type shown
        form.TextField_Click(11);
    }
    // The widest texts of each kind fit their boxes.
    const struct { ui::TextBox* box; const char* text; } widest[] = {
        {form.Text1, "999 bytes"}, {form.Text1, "999,999 K"}, {form.Text4, "JPEG"}, {form.Text4, "TIFF"}};
    for (const auto& w : widest) {
        const QWidget* box = w.box->widget();
        EXPECT_LE(box->fontMetrics().horizontalAdvance(w.text) + 4, box->width()) << w.text;
    }
    db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
    db::Recordset rs;
    rs.open(connection.share(), "Select * from Pictures");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(rs.eof());
        EXPECT_EQ(rs.field("Description").value().text(), "seen");
        EXPECT_EQ(rs.field("PhotoXtent").value().text(), c.extent) << "the stored type stays";
        rs.moveNext();
    }
}

}  // namespace
