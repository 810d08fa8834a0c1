// The real engine behind the web browser control, on the offscreen platform: a local
// page and a web archive (the help document's format) load in the browser's view, and
// a browser only ever sent to "about: blank" starts no engine; the program's help document loads.

#include <fstream>

#include <QCoreApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineView>
#include <gtest/gtest.h>

#include "platform/ui/forms.h"
#include "platform/ui/testing.h"
#include "platform/ui/web_browser.h"
#include "platform/ui/web_engine.h"
#include "support/temp_folder.h"

// The browser engine is not ours: it frees some objects through a base without a
// virtual destructor and keeps allocations to the end of the process. The sanitizers
// check our code, not that.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0:detect_leaks=1:strict_string_checks=1";
}
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6WebEngineCore\nleak:libudev\nleak:libfontconfig\nleak:libQt6Core\nleak:libQt6Gui\n";
}

namespace {

// Before the test main makes its QApplication. The tests run as root, where the
// engine's sandbox cannot start.
const bool kPrepared = [] {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::prepareWebEngine();
    return true;
}();

class BrowserForm : public ui::Form {
public:
    BrowserForm() : Form("BrowserForm") {}
    QPointer<ui::WebBrowser> WebBrowser1;

protected:
    void createControls() override {
        setClientSize(9000, 6000);
        WebBrowser1 = create<ui::WebBrowser>("WebBrowser1", 590, 1515, 5410, 4155);
    }
};

void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Navigates and waits for the page's title.
QString titleAfter(ui::WebBrowser& browser, const std::string& path) {
    browser.Navigate(QString::fromStdString(path));
    auto* view = qobject_cast<QWebEngineView*>(browser.navigator()->view());
    if (!view) return "(no view)";
    QSignalSpy finished(view, &QWebEngineView::loadFinished);
    if (!finished.wait(60000)) return "(not loaded)";
    if (!finished.takeFirst().at(0).toBool()) return "(failed)";
    return view->title();
}

TEST(WebEngine, ShowsALocalPageAndAWebArchive) {
    ASSERT_TRUE(kPrepared);
    ui::installWebEngine();
    testsupport::TempFolder dir;
    write(dir.file("page.html"), "<html><head><title>Local page</title></head><body>x</body></html>");
    write(dir.file("Help.mht"),
          "MIME-Version: 1.0\r\n"
          "Content-Type: multipart/related; boundary=\"b1\"; type=\"text/html\"\r\n\r\n"
          "--b1\r\nContent-Type: text/html; charset=utf-8\r\nContent-Location: file:///help.htm\r\n\r\n"
          "<html><head><title>Help archive</title></head><body>help</body></html>\r\n"
          "--b1--\r\n");

    BrowserForm& f = ui::loaded<BrowserForm>();
    f.Show();
    ui::WebBrowser& browser = *f.WebBrowser1;
    browser.Navigate("about: blank");
    EXPECT_EQ(browser.navigator()->view(), nullptr) << "an empty page starts no engine";

    EXPECT_EQ(titleAfter(browser, dir.file("page.html")), "Local page");
    EXPECT_EQ(browser.navigator()->view()->geometry(), browser.rect());
    EXPECT_EQ(titleAfter(browser, dir.file("Help.mht")), "Help archive");
    // The program's own help document: an archive the engine refuses (a line ending lost in
    // an edit, say) would leave the help pane empty.
    EXPECT_EQ(titleAfter(browser, QM_HELP_DOCUMENT), "Quillmere Help");
    f.Unload();
    ui::testing::destroyRetiredWidgets();
    ui::setNavigatorFactory({});
}

}  // namespace
