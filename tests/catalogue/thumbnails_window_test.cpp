// The thumbnails window and its hand-overs with the main window: the switch at the
// current record, a page's cells, captions and pictures, paging in fresh windows, the
// return at a clicked or the saved record, and a build interrupted by its window closing.

#include <QBuffer>
#include <QImage>
#include <QTest>
#include <QTimer>

#include "catalogue/main_window.h"
#include "catalogue/thumbnails_window.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "platform/ui/input.h"
#include "platform/ui/picture_conversion.h"
#include "shell/module1.h"
#include "support/png_entry_icon.h"
#include "support/program_folder_test.h"

namespace {

std::vector<uint8_t> encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return {bytes.begin(), bytes.end()};
}

std::vector<uint8_t> bmpOf(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return encoded(image, "BMP");
}

// Left half fully transparent red, right half opaque green.
std::vector<uint8_t> pngWithTransparency() {
    QImage image(20, 10, QImage::Format_ARGB32);
    image.fill(QColor(0, 255, 0));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) image.setPixelColor(x, y, QColor(255, 0, 0, 0));
    return encoded(image, "PNG");
}

struct Row {
    std::string name, extent;
    std::vector<uint8_t> bytes;
    std::string category;
};

class Thumbnails : public testsupport::ProgramFolderTest {
protected:
    void addRows(const std::vector<Row>& rows) {
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset pictures;
        pictures.open(connection.share(), "Select * from Pictures");
        for (const Row& row : rows) {
            pictures.addNew();
            pictures.field("PhotoDescription").setValue(row.name);
            pictures.field("PhotoXtent").setValue(row.extent);
            pictures.field("PhotoSize").setValue(static_cast<int64_t>(row.bytes.size()));
            if (!row.category.empty()) pictures.field("Category").setValue(row.category);
            pictures.field("Photo").appendChunk(db::Bytes(row.bytes));
            pictures.update();
        }
    }

    // A catalogue of `count` small bitmaps named "picture 1"... and the main window on it.
    Form1& startWith(int count) {
        makeCatalogueWithRows(0);
        std::vector<Row> rows;
        for (int i = 1; i <= count; ++i) rows.push_back({"picture " + std::to_string(i), "BMP", bmpOf(4, 3), ""});
        addRows(rows);
        return start();
    }
    Form1& start() {
        EXPECT_FALSE(runMain());
        return ui::forms<Form1>();
    }

    // As the tool bar's "Thumbnails" does it, from the main window at `position`.
    Form28& switchAt(long position) {
        Form1& main = ui::forms<Form1>();
        if (position > 0) main.Adodc3.recordset().setAbsolutePosition(position);
        ui::runHandler([&] { main.Image1_Click(7); });
        return ui::forms<Form28>();
    }

    static std::vector<QString> captions(Form28& view) {
        std::vector<QString> shown;
        for (int k = 1; k <= Form28::kCells; ++k)
            if (view.Label1[k]->Visible()) shown.push_back(view.Label1[k]->Caption());
        return shown;
    }
    static bool formExists(const QString& name) {
        for (ui::Form* form : ui::allForms())
            if (form->Name() == name) return true;
        return false;
    }
    static long mainPosition() { return ui::forms<Form1>().Adodc3.recordset().absolutePosition(); }
};

TEST(ThumbnailRules, FittingKeepsSmallPicturesAndScalesLargeOnesIntoTheFrame) {
    const struct { float w, h, fittedW, fittedH; } cases[] = {
        {3000, 1500, 1500, 750}, {600, 900, 600, 900},   {1500, 3000, 750, 1500}, {1500, 1500, 1500, 1500},
        {1499, 1499, 1499, 1499}, {4500, 3000, 1500, 1000}, {600, 3000, 300, 1500},
    };
    for (const auto& c : cases) {
        const catalogue::ThumbnailSize fitted = catalogue::FitThumbnail(c.w, c.h, 1500, 1500);
        EXPECT_FLOAT_EQ(fitted.width, c.fittedW) << c.w << " x " << c.h;
        EXPECT_FLOAT_EQ(fitted.height, c.fittedH) << c.w << " x " << c.h;
    }
}

TEST(ThumbnailRules, CaptionIsThePositionAndTheFirstFifteenCharactersOfTheName) {
    const QString caption = catalogue::ThumbnailCaption(37, "Harbour at dusk '19");  // a name of 19
    EXPECT_EQ(caption, "37-Harbour at dusk");
    EXPECT_EQ(caption.size(), 18);
    EXPECT_EQ(catalogue::ThumbnailCaption(5, "short"), "5-short");
    EXPECT_EQ(catalogue::ThumbnailCaption(12, "exactly fifteen"), "12-exactly fifteen");
    EXPECT_EQ(catalogue::ThumbnailCaption(3, ""), "3-");
}

TEST_F(Thumbnails, SwitchReleasesTheMainWindowAndOpensAtItsRecord) {
    startWith(30);
    Form28& view = switchAt(5);

    EXPECT_FALSE(formExists("Form1")) << "the main window's instance is released";
    EXPECT_TRUE(view.Visible());
    EXPECT_EQ(view.Caption(), "Thumbnails");
    EXPECT_TRUE(Module1::ThumbnailsWindowOpen);
    EXPECT_FALSE(Module1::QuitOnMainWindowUnload);
    EXPECT_EQ(Module1::number(Module1::ThumbPageStart), 5);
    EXPECT_EQ(Module1::number(Module1::SavedMainPosition), 5);

    const std::vector<QString> shown = captions(view);
    ASSERT_EQ(shown.size(), 24u);
    EXPECT_EQ(shown.front(), "5-picture 5");
    EXPECT_EQ(shown.back(), "28-picture 28");
    EXPECT_TRUE(view.Command1->Visible()) << "30 - 5 leaves records after the page";
    EXPECT_TRUE(view.Command2->Visible());
    EXPECT_EQ(view.MousePointer(), ui::vbDefault);

    // Six across, four down, captions under the frames.
    const struct { int k; double left, top; } cells[] = {{1, 200, 200}, {6, 8700, 200}, {7, 200, 2000}, {24, 8700, 5600}};
    for (const auto& c : cells) {
        EXPECT_DOUBLE_EQ(view.Shape1[c.k]->Left(), c.left) << c.k;
        EXPECT_DOUBLE_EQ(view.Shape1[c.k]->Top(), c.top) << c.k;
        EXPECT_DOUBLE_EQ(view.Label1[c.k]->Left(), c.left) << c.k;
        EXPECT_DOUBLE_EQ(view.Label1[c.k]->Top(), c.top + 1500) << c.k;
    }
    EXPECT_DOUBLE_EQ(view.Picture1->Height(), 7400);
    EXPECT_EQ(view.Label1[3]->ForeColor(), ui::RGB(176, 176, 187));
    EXPECT_EQ(view.Image1[3]->ToolTipText(), "Click to View Picture");
}

TEST_F(Thumbnails, PageShowsBoundDecodedAndLogoPicturesFittedAndCentred) {
    makeCatalogueWithRows(0);
    const std::vector<uint8_t> png = pngWithTransparency();
    addRows({
        {"wide", "BMP", bmpOf(200, 100), ""},     // 3000 x 1500 twips
        {"small", "BMP", bmpOf(40, 60), ""},      // 600 x 900
        {"tall", "BMP", bmpOf(100, 200), ""},     // 1500 x 3000
        {"see-through", "PNG", png, ""},          // the decoder road
        {"notes", "TXT", {'h', 'i'}, ""},         // no picture: the logo
        {"broken", "BMP", std::vector<uint8_t>(80, 0x42), ""},  // bound, unreadable: the logo
        {"too short", "PNG", std::vector<uint8_t>(40, 0x89), ""},  // decoder refuses: the logo
        {"a name longer than fifteen", "BMP", bmpOf(4, 3), ""},
    });
    start();
    Form28& view = switchAt(1);
    const picture::Picture logo = view.PicLogo->Picture();
    ASSERT_TRUE(logo);

    EXPECT_EQ(captions(view), (std::vector<QString>{"1-wide", "2-small", "3-tall", "4-see-through", "5-notes",
                                                    "6-broken", "7-too short", "8-a name longer t"}));
    const struct { int k; double left, top, width, height; } placed[] = {
        {1, 200, 200 + 375, 1500, 750},
        {2, 1900 + 450, 200 + 300, 600, 900},
        {3, 3600 + 375, 200, 750, 1500},
    };
    for (const auto& p : placed) {
        ui::Image* image = view.Image1[p.k];
        EXPECT_DOUBLE_EQ(image->Left(), p.left) << p.k;
        EXPECT_DOUBLE_EQ(image->Top(), p.top) << p.k;
        EXPECT_DOUBLE_EQ(image->Width(), p.width) << p.k;
        EXPECT_DOUBLE_EQ(image->Height(), p.height) << p.k;
        EXPECT_TRUE(image->Stretch());
    }

    const picture::Picture decoded = view.Image1[4]->Picture();
    EXPECT_EQ(decoded.Type(), picture::kPicTypeBitmap);
    EXPECT_FALSE(decoded == logo);
    const QImage pixels = ui::ImageFromPicture(decoded);
    ASSERT_EQ(pixels.size(), QSize(20, 10));
    EXPECT_EQ(pixels.pixelColor(2, 5), QColor(0, 0, 0)) << "transparent pixels are flattened onto black";
    EXPECT_EQ(pixels.pixelColor(15, 5), QColor(0, 255, 0));
    EXPECT_EQ(sys::readFile(folder.file("TmpPic2.PNG")), std::vector<uint8_t>(40, 0x89))
        << "the last decoded record's bytes, unchanged";

    for (int k : {5, 6, 7}) EXPECT_TRUE(view.Image1[k]->Picture() == logo) << k;
    EXPECT_FALSE(view.Image1[8]->Picture() == logo);
    for (int k = 9; k <= 24; ++k) {
        EXPECT_TRUE(view.Shape1[k]->Visible()) << "every outline stays";
        EXPECT_FALSE(view.Image1[k]->Visible());
    }
    EXPECT_FALSE(view.Command1->Visible());
    EXPECT_FALSE(view.Command2->Visible());
}

TEST_F(Thumbnails, JpegAndTiffFilesWithFourLetterExtensionsShowTheirPictures) {
    makeCatalogueWithRows(0);
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    addRows({{"photo", "PEG", encoded(image, "JPEG"), ""}, {"scan", "IFF", encoded(image, "TIFF"), ""}});
    start();
    Form28& view = switchAt(1);
    for (int k : {1, 2}) {
        SCOPED_TRACE(k);
        const picture::Picture shown = view.Image1[k]->Picture();
        EXPECT_FALSE(shown == view.PicLogo->Picture());
        EXPECT_EQ(ui::ImageFromPicture(shown).size(), QSize(30, 20));
    }
}

// Counts the paints of every widget of the program while it lives.
class PaintCounter : public QObject {
public:
    PaintCounter() { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST_F(Thumbnails, AnIdlePageDoesNotPaint) {
    startWith(12);
    Form28& view = switchAt(1);
    ASSERT_TRUE(view.Visible());
    {
        // The page's first paints, however long a loaded machine takes over them: until
        // 300 ms pass without one.
        PaintCounter settling;
        for (int quiet = 0, seen = -1, waited = 0; quiet < 3 && waited < 100; ++waited) {
            QTest::qWait(100);
            quiet = settling.paints == seen ? quiet + 1 : 0;
            seen = settling.paints;
        }
    }

    PaintCounter counter;
    QTest::qWait(1000);
    EXPECT_EQ(counter.paints, 0);

    // A change still shows.
    view.Label1[1]->setCaption("renamed");
    QTest::qWait(100);
    EXPECT_GT(counter.paints, 0);
}

TEST_F(Thumbnails, IconsOfPngEntriesShowTheirPictures) {
    makeCatalogueWithRows(0);
    addRows({{"png icon", "ICO", testsupport::pngEntryIcon(), ""}, {"not an icon", "ICO", std::vector<uint8_t>(100, 0xEE), ""}});
    start();
    Form28& view = switchAt(1);
    const QImage image = ui::ImageFromPicture(view.Image1[1]->Picture());
    ASSERT_EQ(image.size(), QSize(24, 20));
    EXPECT_EQ(image.pixel(3, 10), qRgb(200, 0, 0));
    EXPECT_EQ(image.pixel(20, 10), qRgb(0, 160, 0));
    EXPECT_TRUE(view.Image1[2]->Picture() == view.PicLogo->Picture()) << "nothing reads it: the logo";
    EXPECT_EQ(captions(view), (std::vector<QString>{"1-png icon", "2-not an icon"}));
}

TEST_F(Thumbnails, NextAndPreviousPagesAreBuiltInFreshWindows) {
    startWith(49);
    Form28* page = &switchAt(25);
    EXPECT_EQ(captions(*page).front(), "25-picture 25");
    EXPECT_EQ(captions(*page).back(), "48-picture 48");
    ASSERT_TRUE(page->Command1->Visible()) << "49 - 25 = 24: one record follows";

    ui::runHandler([&] { page->Command1_Click(); });
    Form28& next = ui::forms<Form28>();
    EXPECT_NE(&next, page) << "a new instance";
    EXPECT_EQ(captions(next), std::vector<QString>{"49-picture 49"});
    EXPECT_FALSE(next.Command1->Visible());
    EXPECT_TRUE(next.Command2->Visible());
    EXPECT_FALSE(ui::isLoaded<Form1>()) << "paging does not hand back";
    EXPECT_FALSE(Module1::ThumbPageReopening);
    EXPECT_TRUE(Module1::ThumbnailsWindowOpen);

    // Back from 49 by 24 each step, never below 1.
    const struct { long start; bool previous; } back[] = {{25, true}, {1, false}};
    for (const auto& b : back) {
        Form28& from = ui::forms<Form28>();
        ui::runHandler([&] { from.Command2_Click(); });
        Form28& view = ui::forms<Form28>();
        EXPECT_EQ(Module1::number(Module1::ThumbPageStart), b.start);
        EXPECT_EQ(captions(view).front(), QString("%1-picture %1").arg(b.start));
        EXPECT_EQ(view.Command2->Visible(), b.previous);
        EXPECT_TRUE(view.Command1->Visible());
    }
}

TEST_F(Thumbnails, NextPageButtonShowsOnlyWhenRecordsFollowThePage) {
    const struct { int count; long start; bool next, previous; } cases[] = {
        {48, 25, false, true}, {24, 1, false, false}, {0, 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " records from " << c.start);
        restartProgram();
        startWith(c.count);
        Form28& view = switchAt(c.start);
        EXPECT_EQ(view.Command1->Visible(), c.next);
        EXPECT_EQ(view.Command2->Visible(), c.previous);
        EXPECT_EQ(captions(view).size(), static_cast<size_t>(std::min(24L, c.count - std::max(c.start, 1L) + 1)));
    }
}

TEST_F(Thumbnails, ClickReturnsTheMainWindowAtThatRecord) {
    startWith(40);
    switchAt(5);
    ui::runHandler([] { ui::forms<Form28>().Command1_Click(); });  // 29 to 40
    Form28& view = ui::forms<Form28>();
    ASSERT_EQ(view.Label1[9]->Caption(), "37-picture 37");

    ui::runHandler([&] { view.Image1_Click(9); });
    ASSERT_TRUE(ui::isLoaded<Form1>());
    Form1& main = ui::forms<Form1>();
    EXPECT_TRUE(main.Visible());
    EXPECT_EQ(mainPosition(), 37);
    EXPECT_EQ(main.Text2->Text(), "37/40");
    EXPECT_FALSE(formExists("Form28"));
    EXPECT_FALSE(Module1::ThumbnailsWindowOpen);
    EXPECT_EQ(Module1::text(Module1::ThumbReturnAction), "");
    EXPECT_TRUE(Module1::QuitOnMainWindowUnload);
    EXPECT_EQ(Module1::number(Module1::SavedMainPosition), 5) << "kept after a click";

    // A later reload (a sort change) shows the record once more and clears it.
    Module1::QuitOnMainWindowUnload = false;
    ui::runHandler([] { Module1::ReloadMainWindow(); });
    EXPECT_EQ(Module1::number(Module1::SavedMainPosition), 0);
}

TEST_F(Thumbnails, ClosingReturnsToTheSavedRecord) {
    startWith(12);
    Form28& view = switchAt(5);
    ui::runHandler([&] { view.Unload(); });
    ASSERT_TRUE(ui::isLoaded<Form1>());
    EXPECT_TRUE(ui::forms<Form1>().Visible());
    EXPECT_EQ(mainPosition(), 5);
    EXPECT_EQ(ui::forms<Form1>().Text2->Text(), "5/12");
    EXPECT_EQ(Module1::number(Module1::SavedMainPosition), 0);
    EXPECT_FALSE(Module1::ThumbnailsWindowOpen);
    EXPECT_FALSE(formExists("Form28"));
    EXPECT_TRUE(services.msgBoxes.empty());
}

// A failed return still leaves the main window shown and the hand-over finished, so a
// later load of the main window shows itself.
TEST_F(Thumbnails, FailedReturnIsReportedAndEndsTheHandOver) {
    startWith(3);
    Form28& view = switchAt(1);
    view.Label1[2]->setCaption("99-gone");  // a number the main window does not have
    ui::runHandler([&] { view.Image1_Click(2); });
    ASSERT_EQ(services.msgBoxes.size(), 1u);
    EXPECT_EQ(services.msgBoxes[0].style & runtime::vbCritical, runtime::vbCritical);
    EXPECT_FALSE(formExists("Form28"));
    ASSERT_TRUE(ui::isLoaded<Form1>());
    EXPECT_TRUE(ui::forms<Form1>().Visible());
    EXPECT_FALSE(Module1::ThumbnailsWindowOpen);
    EXPECT_EQ(Module1::text(Module1::ThumbReturnAction), "");
}

TEST_F(Thumbnails, CategoryFilterNumbersWithinTheFilteredSetAndTheClickLandsOnTheSameRecord) {
    makeCatalogueWithRows(0);
    std::vector<Row> rows;
    for (int i = 1; i <= 6; ++i)
        rows.push_back({"photo " + std::to_string(i), "BMP", bmpOf(4, 3), i % 2 == 0 ? "Harbour" : "Garden"});
    rows.push_back({"pier-north-side-at-dawn", "BMP", bmpOf(4, 3), "Harbour"});
    addRows(rows);
    Module1::CategoryFilterOn = true;
    Module1::CategoryFilterName = "Harbour";
    start();

    Form28& view = switchAt(1);
    EXPECT_EQ(captions(view), (std::vector<QString>{"1-photo 2", "2-photo 4", "3-photo 6", "4-pier-north-side"}));
    ui::runHandler([&] { view.Image1_Click(4); });
    Form1& main = ui::forms<Form1>();
    EXPECT_EQ(mainPosition(), 4);
    EXPECT_EQ(main.Adodc3.recordset().field("PhotoDescription").value().text(), "pier-north-side-at-dawn");
    EXPECT_EQ(main.Text2->Text(), "4/4");
}

// The window closes while its page is still being built: the build stops at once and
// leaves the main window where the hand-back put it.
TEST_F(Thumbnails, ClickDuringTheBuildStopsItAndHandsBack) {
    startWith(30);
    Form1& main = ui::forms<Form1>();
    main.Adodc3.recordset().setAbsolutePosition(3);

    QPointer<ui::Label> thirdCaption;
    QTimer clicker;
    clicker.setInterval(0);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (!ui::isLoaded<Form28>()) return;
        Form28& view = ui::forms<Form28>();
        if (view.Label1[2]->Caption().isEmpty()) return;  // the second thumbnail is not done yet
        clicker.stop();
        thirdCaption = view.Label1[3];
        ui::runHandler([&] { view.Image1_Click(2); });
    });
    clicker.start();
    ui::runHandler([&] {
        main.Image1_Click(7);
        // Still inside the outermost handler: the closed window's controls exist.
        ASSERT_TRUE(thirdCaption);
        EXPECT_EQ(thirdCaption->Caption(), "") << "nothing filled after the close";
        EXPECT_FALSE(thirdCaption->Visible());
    });
    EXPECT_FALSE(clicker.isActive());
    ASSERT_TRUE(ui::isLoaded<Form1>());
    EXPECT_EQ(mainPosition(), 4);
    EXPECT_EQ(ui::forms<Form1>().Text2->Text(), "4/30");
    EXPECT_FALSE(ui::isLoaded<Form28>());
    EXPECT_FALSE(Module1::ThumbnailsWindowOpen);
    EXPECT_TRUE(services.msgBoxes.empty());
}

}  // namespace
