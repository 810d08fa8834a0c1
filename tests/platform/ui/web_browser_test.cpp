// The web browser control with an injected engine: what Navigate passes on, in which
// order, the "about: blank" spelling, and the engine's view kept over the body.

#include <QPointer>
#include <gtest/gtest.h>

#include "platform/ui/forms.h"
#include "platform/ui/recording_navigator.h"
#include "platform/ui/web_browser.h"

namespace {

class BrowserForm : public ui::Form {
public:
    BrowserForm() : Form("BrowserForm") {}
    QPointer<ui::WebBrowser> WebBrowser1;
    QPointer<ui::WebBrowser> WebBrowserAddedMan;

protected:
    void createControls() override {
        setClientSize(9000, 6000);
        WebBrowser1 = create<ui::WebBrowser>("WebBrowser1", 590, 1515, 5410, 4155);
        WebBrowser1->setVisible(false);
        WebBrowserAddedMan = create<ui::WebBrowser>("WebBrowserAddedMan", 0, 0, 1000, 1000);
        WebBrowserAddedMan->setVisible(false);
    }
    void Form_Load() override {
        WebBrowser1->Navigate("about: blank");
        WebBrowserAddedMan->Navigate("about: blank");
    }
};

class WebBrowserTest : public ::testing::Test {
protected:
    void TearDown() override { ui::setNavigatorFactory({}); }
};

TEST_F(WebBrowserTest, TargetsBecomeAddresses) {
    EXPECT_EQ(ui::navigationUrl("about: blank"), QUrl("about:blank"));
    EXPECT_EQ(ui::navigationUrl("about:blank"), QUrl("about:blank"));
    EXPECT_EQ(ui::navigationUrl("/opt/Quillmere/Help.mht"), QUrl("file:///opt/Quillmere/Help.mht"));
    EXPECT_EQ(ui::navigationUrl("/opt/Quillmere/a picture #1.jpg").toLocalFile(),
              "/opt/Quillmere/a picture #1.jpg");
    EXPECT_EQ(ui::navigationUrl("/opt/Quillmere/QuillmereGallery/"), QUrl("file:///opt/Quillmere/QuillmereGallery/"));
    EXPECT_EQ(ui::navigationUrl("https://example.org/a?b=c"), QUrl("https://example.org/a?b=c"));
    EXPECT_EQ(ui::navigationUrl("www.example.org"), QUrl("http://www.example.org"));
}

TEST_F(WebBrowserTest, NavigationsReachTheEngineInOrder) {
    ui::RecordingNavigator::install();
    BrowserForm& f = ui::loaded<BrowserForm>();
    f.Show();
    ui::WebBrowser& browser = *f.WebBrowser1;
    EXPECT_EQ(ui::RecordingNavigator::log(),
              QStringList({"WebBrowser1 about:blank", "WebBrowserAddedMan about:blank"}));
    EXPECT_EQ(browser.LocationURL(), "about:blank");

    // The help toggle: placed over the pane, shown, brought to the front, navigated.
    browser.Move(590, 1515, 5410, 4155);
    browser.setVisible(true);
    browser.ZOrder();
    browser.Navigate("/opt/Quillmere/Help.mht");
    EXPECT_TRUE(browser.isVisible());
    EXPECT_EQ(browser.geometry(), QRect(39, 101, 361, 277));
    EXPECT_EQ(browser.LocationURL(), "file:///opt/Quillmere/Help.mht");
    browser.setVisible(false);
    browser.Navigate("about: blank");
    EXPECT_EQ(ui::RecordingNavigator::log().mid(2),
              QStringList({"WebBrowser1 file:///opt/Quillmere/Help.mht", "WebBrowser1 about:blank"}));
    EXPECT_FALSE(browser.Visible());

    try {
        browser.Navigate("  ");
        ADD_FAILURE() << "an empty target is refused";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), 5);
    }
}

TEST_F(WebBrowserTest, TheEnginesViewCoversTheBodyAndWithoutAnEngineTheAddressIsKept) {
    // An engine whose view appears at its first navigation, as the real one does.
    struct ViewNavigator : ui::Navigator {
        explicit ViewNavigator(ui::WebBrowser& b) : browser(&b) {}
        void navigate(const QUrl&) override {
            if (!page) page = new QWidget(browser);
        }
        QWidget* view() const override { return page; }
        ui::WebBrowser* browser;
        QPointer<QWidget> page;
    };
    ui::setNavigatorFactory([](ui::WebBrowser& b) { return std::make_unique<ViewNavigator>(b); });
    BrowserForm& f = ui::loaded<BrowserForm>();
    ui::WebBrowser& browser = *f.WebBrowser1;
    QWidget* page = browser.navigator()->view();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->geometry(), browser.rect());
    browser.Move(0, 0, 3000, 1500);
    EXPECT_EQ(page->geometry(), QRect(0, 0, 200, 100));
    f.Unload();

    ui::setNavigatorFactory({});
    BrowserForm& plain = ui::loaded<BrowserForm>();
    EXPECT_EQ(plain.WebBrowser1->navigator(), nullptr);
    plain.WebBrowser1->Navigate("/tmp/TmpFile.jpg");
    EXPECT_EQ(plain.WebBrowser1->LocationURL(), "file:///tmp/TmpFile.jpg");
}

}  // namespace
