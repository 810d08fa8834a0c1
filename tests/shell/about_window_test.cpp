// The About window: what it takes from the main window at load, the logo's place and
// animation, the hand-made scroll bar, and the links.

#include <deque>
#include <optional>

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QUrl>

#include "catalogue/main_window.h"
#include "platform/picture/picture.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/picture_conversion.h"
#include "platform/ui/testing.h"
#include "shell/about_window.h"
#include "support/program_folder_test.h"

namespace {

constexpr double kViewport = 5910;       // Picture1's height
constexpr double kPanel = 6500 + 1500 + 100;  // Text1's bottom and a margin
constexpr double kPanelPerThumb = kPanel / kViewport;

// Recording services whose random numbers come from a script.
class ScriptedRandom : public ui::RecordingServices {
public:
    std::deque<float> numbers;
    float Rnd(float n) override {
        if (numbers.empty()) {
            ADD_FAILURE() << "random number not scripted";
            return 0;
        }
        const float next = numbers.front();
        numbers.pop_front();
        return next;
    }
};

void writeText(const std::string& path, const QByteArray& text) {
    sys::writeFile(path, std::span(reinterpret_cast<const uint8_t*>(text.constData()), static_cast<size_t>(text.size())));
}

class AboutWindow : public testsupport::ProgramFolderTest {
protected:
    Form1& startProgram() {
        makeCatalogueWithRows(1);
        EXPECT_FALSE(runMain());
        return ui::forms<Form1>();
    }
    // Loaded hidden, without its own ticks: tests drive Timer1_Timer themselves.
    Form38& open() {
        if (!ui::isLoaded<Form1>()) startProgram();
        Form38& w = ui::loaded<Form38>();
        w.Timer1->setEnabled(false);
        return w;
    }
};

TEST_F(AboutWindow, LoadTakesTheMainWindowsColoursAndShowsVersionAndNotice) {
    Form1& main = startProgram();
    const ui::COLORREF back = ui::RGB(10, 20, 30), field = ui::RGB(200, 100, 50), caption = ui::RGB(90, 180, 60);
    main.setBackColor(back);
    main.TextField[0]->setForeColor(field);
    main.TextLabelField[0]->setForeColor(caption);

    Form38& w = ui::loaded<Form38>();
    EXPECT_FALSE(w.Visible());
    EXPECT_EQ(w.Timer1->Interval(), 1);
    EXPECT_TRUE(w.Timer1->running());
    EXPECT_EQ(w.BackColor(), back);
    for (ui::Control* c : std::initializer_list<ui::Control*>{w.Picture1, w.Picture2, w.Picture6, w.Picture11,
                                                             w.TextAbout[2], w.PictureButtonsBack, w.Text1})
        EXPECT_EQ(c->BackColor(), back) << c->widget()->objectName().toStdString();
    for (ui::Control* c : std::initializer_list<ui::Control*>{w.Text1, w.Label3[0], w.LabelAboutHyperLink[1],
                                                             w.LabelAboutHyperLink[2], w.LabelAboutHyperLink[3]})
        EXPECT_EQ(c->ForeColor(), field) << c->widget()->objectName().toStdString();
    for (ui::Label* label : w.LabelAbout.elements()) EXPECT_EQ(label->ForeColor(), caption) << label->Caption().toStdString();

    const QImage strip = ui::ImageFromPicture(w.PictureButtonsBack->Picture());
    const QImage mainStrip = ui::ImageFromPicture(main.picToolBar->Image());
    ASSERT_FALSE(strip.isNull());
    EXPECT_EQ(strip.size(), mainStrip.size());
    EXPECT_EQ(strip.pixel(5, 5), mainStrip.pixel(5, 5));

    EXPECT_EQ(w.LabelAbout[4]->Caption(), "V1.0.0");
    EXPECT_EQ(w.Label3[0]->Caption(), "Quillmere Picture Catalogue");
    EXPECT_EQ(w.TextAbout[2]->Text(), "Quillmere");
    EXPECT_EQ(w.LabelAboutHyperLink[3]->Caption(), "View Offline");
    EXPECT_EQ(w.Text1->Text(), AboutNoticeText());
    EXPECT_FALSE(AboutNoticeText().contains('\n') || AboutNoticeText().contains('\r'));
    EXPECT_EQ(AboutNoticeText().count(". "), 2);
    EXPECT_TRUE(AboutNoticeText().endsWith('.'));

    EXPECT_DOUBLE_EQ(w.Picture2->Height(), kPanel);
    EXPECT_DOUBLE_EQ(w.LogoCycleStart, services.Timer());
}

TEST_F(AboutWindow, MenuItemShowsItModalWithTheLogoCentredAndClosingStopsTheAnimation) {
    Form1& main = startProgram();
    bool shown = false;
    QPointer<ui::Timer> timer;
    ui::testing::setModalHandler([&](ui::Form& form) {
        auto* w = dynamic_cast<Form38*>(&form);
        ASSERT_NE(w, nullptr);
        shown = w->Visible();
        EXPECT_EQ(w->PicLogo->Picture().pixelSize().cx, 80);
        EXPECT_EQ(w->PicLogo->Picture().pixelSize().cy, 81);
        EXPECT_DOUBLE_EQ(w->PicLogo->Left(), 3528 / 2.0 - 1200 / 2.0);
        EXPECT_DOUBLE_EQ(w->PicLogo->Top(), (1980 - 1215) / 2.0);
        EXPECT_TRUE(w->Timer1->running());
        timer = w->Timer1;
        w->Unload();
    });
    main.Label7_Click(0);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(ui::isLoaded<Form38>());
    EXPECT_TRUE(timer.isNull() || !timer->running());
}

TEST_F(AboutWindow, LogoReadWhileHiddenIsItsOwnObjectAndOutlivesTheUnload) {
    Form1& main = startProgram();
    Form38& w = ui::loaded<Form38>();
    const picture::Picture logo = w.PicLogo->Picture();
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(logo == w.Picture7[i]->Picture()) << "no tick yet";
    w.Unload();
    ASSERT_EQ(logo.Type(), picture::kPicTypeBitmap);
    EXPECT_FALSE(logo == main.PicLogo->Picture()) << "the main window tells its own logo from this one";
    EXPECT_EQ(ui::ImageFromPicture(logo).pixel(40, 40), AboutLogoFrame(-1).pixel(40, 40));
}

TEST_F(AboutWindow, EachTickShowsTheFrameThatTheRandomNumberAndTheClockChoose) {
    Form38& w = open();
    ScriptedRandom clock;
    ui::setServices(&clock);
    const QDateTime start = clock.Now();
    const double cycleStart = clock.Timer();
    const picture::Picture rest = w.PicLogo->Picture();

    struct Case {
        float r;
        int elapsedMs;
        std::optional<int> frame;  // none: the logo is left as it was
        bool newCycle;
    };
    const Case cases[] = {
        {0.0f, 0, 0, false},     {0.0f, 49, 0, false},    {0.0f, 51, 1, false},    {0.0f, 99, 1, false},
        {0.0f, 101, 2, false},   {0.0f, 151, 3, false},   {0.0f, 201, 4, false},   {0.0f, 249, 4, false},
        {0.0f, 251, {}, false},  {0.0f, 299, {}, false},  {0.0f, 301, {}, true},   {0.5f, 301, 0, false},
        {0.5f, 599, 1, false},   {0.5f, 701, 4, false},   {0.5f, 780, {}, false},  {0.5f, 801, {}, true},
        {0.25f, 1000, {}, true}, {0.75f, -100, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "r " << c.r << ", " << c.elapsedMs << " ms");
        w.PicLogo->setPicture(rest);
        w.LogoCycleStart = cycleStart;
        clock.setNow(start.addMSecs(c.elapsedMs));
        clock.numbers = {c.r};
        w.Timer1_Timer();
        EXPECT_TRUE(clock.numbers.empty()) << "one number per tick";
        EXPECT_TRUE(w.PicLogo->Picture() == (c.frame ? w.Picture7[*c.frame]->Picture() : rest));
        EXPECT_DOUBLE_EQ(w.LogoCycleStart, c.newCycle ? clock.Timer() : cycleStart);
    }
    ui::setServices(&services);
}

TEST_F(AboutWindow, DraggingTheThumbKeepsItsGripAndStopsAtTheLimits) {
    Form38& w = open();
    enum Action { MoveHeld, MoveFree, Release };
    struct Case {
        const char* what;
        double startTop;
        Action action;
        double y;
        double thumbTop;
        std::optional<double> panelTop;  // none: the panel stays where it was
    };
    const double unmoved = -15;
    const Case cases[] = {
        {"drag down from the grip", 150, MoveHeld, 197, 250, -250 * kPanelPerThumb},
        {"drag up", 1000, MoveHeld, 47, 950, -950 * kPanelPerThumb},
        {"no button held", 150, MoveFree, 197, 150, {}},
        {"above the top, held", 0, MoveHeld, 102, 15, -15 * kPanelPerThumb},
        {"above the top, free", -20, MoveFree, 50, 10, {}},
        {"at the bottom while dragged", kViewport - 40, MoveHeld, 300, kViewport - 60, {}},
        {"past the bottom while dragged", kViewport + 400, MoveHeld, 300, kViewport - 60, {}},
        {"just above the bottom", kViewport - 41, MoveHeld, 97, kViewport - 41, -(kViewport - 41) * kPanelPerThumb},
        {"released low", kViewport - 200, Release, 0, kViewport - 300, {}},
        {"released in the middle", 2000, Release, 0, 2000, {}},
        {"released at the top", 0, Release, 0, 10, 10},
        {"released above the top", -510, Release, 0, 10, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        w.Command1->setTop(c.startTop);
        w.Picture2->setTop(unmoved);
        w.ThumbGripY = 97;
        switch (c.action) {
        case MoveHeld: w.Command1_MouseMove(ui::vbLeftButton, 0, 100, c.y); break;
        case MoveFree: w.Command1_MouseMove(0, 0, 100, c.y); break;
        case Release: w.Command1_MouseUp(ui::vbLeftButton, 0, 100, c.y); break;
        }
        EXPECT_DOUBLE_EQ(w.Command1->Top(), c.thumbTop);
        EXPECT_NEAR(w.Picture2->Top(), c.panelTop.value_or(unmoved), 1e-9);
        EXPECT_DOUBLE_EQ(w.Command1->Left(), 4200);
        EXPECT_DOUBLE_EQ(w.Picture2->Left(), 135);
    }
}

TEST_F(AboutWindow, PressingTheThumbPaintsTheTrackAndReleasingRestoresIt) {
    Form1& main = startProgram();
    Form38& w = open();
    for (const auto& [y, grip] : {std::pair{97.4, 97L}, {97.5, 98L}, {96.5, 96L}}) {
        w.Command1_MouseDown(ui::vbLeftButton, 0, 100, y);
        EXPECT_EQ(w.ThumbGripY, grip) << y;
    }
    EXPECT_EQ(w.Picture4->BorderStyle(), 0);
    // Lightest at the top, where v has grown by 0.05 for each of the track's 5686 rows.
    EXPECT_EQ(w.Picture4->Point(0, 0), ui::RGB(250, 250, 255));
    EXPECT_EQ(w.Picture4->Point(w.Picture4->ScaleWidth() - 20, 0), ui::RGB(250, 250, 255));
    const long low = w.Picture4->Point(0, w.Picture4->ScaleHeight() - 20);
    EXPECT_LT(low & 0xFF, 120) << "darker towards the bottom";

    w.Command1_MouseUp(ui::vbLeftButton, 0, 100, 50);
    EXPECT_EQ(w.Picture4->BorderStyle(), 1);
    const QImage track = ui::ImageFromPicture(w.Picture4->Picture());
    const QImage window = ui::ImageFromPicture(main.Image());
    ASSERT_FALSE(track.isNull());
    EXPECT_EQ(track.size(), window.size());
    EXPECT_EQ(track.pixel(3, 3), window.pixel(3, 3));
}

TEST_F(AboutWindow, ClickingTheTrackMovesTheThumbByStepsWithoutLimit) {
    Form38& w = open();
    // Clicks near the track's foot, always below the thumb, take it past the track's end (5755).
    for (int i = 0; i < 12; ++i) w.Picture4_MouseDown(ui::vbLeftButton, 0, 50, 5680);
    EXPECT_DOUBLE_EQ(w.Command1->Top(), 150 + 12 * 500);
    EXPECT_NEAR(w.Picture2->Top(), -6150 * kPanelPerThumb, 1e-9);
    w.Command1->setTop(150);
    w.Picture4_MouseDown(ui::vbLeftButton, 0, 50, 150);  // not below the thumb's top: up
    EXPECT_DOUBLE_EQ(w.Command1->Top(), -350);
    EXPECT_NEAR(w.Picture2->Top(), 350 * kPanelPerThumb, 1e-9);
}

TEST_F(AboutWindow, OnlyTheHoveredLinkIsBold) {
    Form38& w = open();
    auto boldLinks = [&] {
        std::vector<int> bold;
        for (int i = 1; i < 4; ++i)
            if (w.LabelAboutHyperLink[i]->FontBold()) bold.push_back(i);
        return bold;
    };
    w.LabelAboutHyperLink_MouseMove(2, 0, 0, 10, 10);
    EXPECT_EQ(boldLinks(), std::vector<int>{2});
    w.LabelAboutHyperLink_MouseMove(3, 0, 0, 10, 10);
    EXPECT_EQ(boldLinks(), std::vector<int>{3});

    const std::function<void()> leaving[] = {
        [&] { w.LabelAbout_MouseMove(4, 0, 0, 10, 10); },
        [&] { w.Picture2_MouseMove(0, 0, 10, 10); },
        [&] { w.Picture11_MouseMove(0, 0, 10, 10); },
    };
    for (const auto& leave : leaving) {
        w.LabelAboutHyperLink_MouseMove(1, 0, 0, 10, 10);
        leave();
        EXPECT_TRUE(boldLinks().empty());
    }
}

TEST_F(AboutWindow, LinksOpenTheProgramsOwnPlacesAndNoMakersAddress) {
    writeText(folder.file("README.md"), "# read me\n");
    Form38& w = open();
    const QString programFolder = QString::fromStdString(folder.path());
    const struct { int index; const char* caption; QString opened; } links[] = {
        {0, nullptr, QString()},  // the maker's mail address: left out
        {1, "Read Me", QUrl::fromLocalFile(programFolder + "/README.md").toString()},
        {2, "Program Folder", QUrl::fromLocalFile(programFolder).toString()},
        {3, "View Offline", programFolder + "/" + kAboutPageFile},
    };
    for (const auto& link : links) {
        SCOPED_TRACE(link.index);
        services.reset();
        ASSERT_EQ(w.LabelAboutHyperLink.contains(link.index), link.caption != nullptr);
        if (link.caption) EXPECT_EQ(w.LabelAboutHyperLink[link.index]->Caption(), link.caption);
        w.LabelAboutHyperLink_Click(link.index);
        EXPECT_EQ(services.shellOpens, link.opened.isEmpty() ? std::vector<QString>{}
                                                             : std::vector<QString>{link.opened});
        EXPECT_TRUE(services.msgBoxes.empty());
    }
    EXPECT_EQ(AboutLinkTarget(0, programFolder), "");

}

TEST_F(AboutWindow, ALinkThatNothingOpensSaysWhatCouldNotBeOpened) {
    Form38& w = open();
    const QString programFolder = QString::fromStdString(folder.path());
    const struct { int index; int shellResult; QString named; const char* why; } links[] = {
        {1, 2, programFolder + "/README.md", "there is no such file"},
        {2, 31, programFolder, "no program on this computer is set up to open it"},
        {3, 31, programFolder + "/" + kAboutPageFile, "no program on this computer is set up to open it"},
    };
    for (const auto& link : links) {
        SCOPED_TRACE(link.index);
        services.reset();
        services.shellOpenResult = link.shellResult;
        w.LabelAboutHyperLink_Click(link.index);
        ASSERT_EQ(services.msgBoxes.size(), 1u);
        EXPECT_EQ(services.msgBoxes[0].prompt, "Cannot open \"" + link.named + "\": " + link.why + ".");
        EXPECT_TRUE(ui::isLoaded<Form38>()) << "the window stays";
    }
}

TEST_F(AboutWindow, ReadMeIsTheOneBesideTheProgram) {
    const QString root = QString::fromStdString(folder.path());
    QDir(root).mkpath("build/bin");
    const QString bin = root + "/build/bin";
    writeText(folder.file("README.md"), "another folder's");
    EXPECT_EQ(AboutLinkTarget(1, bin), QUrl::fromLocalFile(bin + "/README.md").toString());
    EXPECT_EQ(AboutLinkTarget(3, bin), "");

    // The build puts it there, so a copied program folder carries it.
    const std::vector<uint8_t> beside = testsupport::fileBytes(QM_PROGRAM_README);
    EXPECT_FALSE(beside.empty());
    EXPECT_EQ(beside, testsupport::fileBytes(QM_SOURCE_README));
}

TEST_F(AboutWindow, ViewOfflineWritesThePageAndItsPicturesAndOpensThePage) {
    Form38& w = open();
    const std::string page = folder.file(kAboutPageFile);
    const std::string logo = folder.file(kAboutPictureFiles[0]), icon = folder.file(kAboutPictureFiles[1]);
    writeText(page, "an older page");
    writeText(icon, "kept as it is");

    w.LabelAboutHyperLink_Click(3);

    const QByteArray expected = AboutPageResource();
    EXPECT_EQ(testsupport::fileBytes(page), std::vector<uint8_t>(expected.begin(), expected.end()));
    EXPECT_TRUE(expected.contains(kAboutPictureFiles[0]) && expected.contains(kAboutPictureFiles[1]));
    EXPECT_TRUE(expected.contains("V1.0.0"));
    const picture::Picture saved = picture::LoadPicture(logo);
    EXPECT_EQ(saved.pixelSize().cx, 80);
    EXPECT_EQ(saved.pixelSize().cy, 81);
    const std::vector<uint8_t> kept = testsupport::fileBytes(icon);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "kept as it is");
    ASSERT_EQ(services.shellOpens.size(), 1u);
    EXPECT_EQ(services.shellOpens[0], QString::fromStdString(page));

    sys::deleteFile(icon);
    w.LabelAboutHyperLink_Click(3);
    EXPECT_EQ(picture::LoadPicture(icon).pixelSize().cx, 32);
}

}  // namespace
