// Every window in one dark theme and one set of faces: whatever the windows leave in
// system colours (controls, menus, scroll bars inside controls, the window itself)
// shows a dark background, text stays readable on it, and every text is in the sans
// face unless the window names Arial or Times New Roman, which show in their
// metric-compatible Liberation faces.

#include <map>
#include <set>

#include <QApplication>
#include <QFontInfo>
#include <QMetaEnum>
#include <QWidget>
#include <gmock/gmock.h>

#include "platform/ui/check_box.h"
#include "platform/ui/colors.h"
#include "platform/ui/combo_box.h"
#include "platform/ui/command_button.h"
#include "platform/ui/font.h"
#include "platform/ui/frame.h"
#include "platform/ui/label.h"
#include "platform/ui/list_box.h"
#include "platform/ui/option_button.h"
#include "platform/ui/text_box.h"
#include "support/window_tour.h"

namespace {

using Problems = std::set<std::string>;

// HSL lightness, 0 to 255: above this a background reads as a light patch.
constexpr int kDarkest = 100;
// Text and its background at least this far apart in lightness.
constexpr int kReadable = 60;

// The only texts in a serif face: the thumbnails' captions and the welcome window's footer.
const std::set<QString> kSerifTexts = {"Form28.Label1", "Form5.LabelButtom"};

std::string roleName(QPalette::ColorRole role) { return QMetaEnum::fromType<QPalette::ColorRole>().valueToKey(role); }

bool isSystemColor(ui::COLORREF color) { return (color & 0xFF000000u) == 0x80000000u; }

QString expectedFace(const QString& name) {
    if (name.compare(QStringLiteral("Arial"), Qt::CaseInsensitive) == 0) return QStringLiteral("Liberation Sans");
    if (name.compare(QStringLiteral("Times New Roman"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Serif");
    return QString::fromLatin1(ui::kDefaultFaceName);
}

std::string describe(const ui::Form& form, const ui::Control* owner, const QWidget* w) {
    QString name = form.Name() + ".";
    if (owner) {
        name += owner->Name();
        if (owner->Index() >= 0) name += QStringLiteral("(%1)").arg(owner->Index());
        if (w != owner->widget()) name += QStringLiteral(" [%1]").arg(QString::fromLatin1(w->metaObject()->className()));
    } else {
        name += QString::fromLatin1(w->metaObject()->className());
        if (!w->objectName().isEmpty()) name += " " + w->objectName();
    }
    return name.toStdString();
}

std::string rgb(const QColor& c) {
    return "RGB(" + std::to_string(c.red()) + "," + std::to_string(c.green()) + "," + std::to_string(c.blue()) + ")";
}

// Text drawn on its own background, for the controls that fill one behind their text.
bool drawsTextOnItsBackground(const ui::Control& c) {
    if (auto* label = dynamic_cast<const ui::Label*>(&c)) return label->BackStyle() == 1;
    return dynamic_cast<const ui::TextBox*>(&c) || dynamic_cast<const ui::CommandButton*>(&c) ||
           dynamic_cast<const ui::CheckBox*>(&c) || dynamic_cast<const ui::OptionButton*>(&c) ||
           dynamic_cast<const ui::ComboBox*>(&c) || dynamic_cast<const ui::ListBox*>(&c) ||
           dynamic_cast<const ui::Frame*>(&c);
}

void checkReadable(const ui::Form& form, const ui::Control& c, Problems& found) {
    if (!drawsTextOnItsBackground(c)) return;
    // A disabled, empty box (a colour swatch) has nothing to read.
    if (auto* box = dynamic_cast<const ui::TextBox*>(&c); box && box->Text().isEmpty() && !c.widget()->isEnabled())
        return;
    // Colours that the window chose both are its own choice.
    if (!isSystemColor(c.BackColor()) && !isSystemColor(c.ForeColor())) return;
    const QWidget* w = c.widget();
    if (auto* box = dynamic_cast<const ui::TextBox*>(&c)) w = box->editor();
    const QColor back = w->palette().color(w->backgroundRole());
    const QColor text = w->palette().color(QPalette::Active, w->foregroundRole());
    if (std::abs(back.lightness() - text.lightness()) < kReadable)
        found.insert(describe(form, &c, w) + " text " + rgb(text) + " on " + rgb(back));
}

void checkWindow(ui::Form& form, Problems& found) {
    std::map<const QWidget*, const ui::Control*> owners;
    for (ui::Component* component : form.Controls())
        if (auto* c = dynamic_cast<ui::Control*>(component); c && c->widget()) owners[c->widget()] = c;
    auto ownerOf = [&](const QWidget* w) -> const ui::Control* {
        for (; w; w = w->parentWidget())
            if (auto it = owners.find(w); it != owners.end()) return it->second;
        return nullptr;
    };

    QList<QWidget*> widgets = form.window()->findChildren<QWidget*>();
    widgets.prepend(form.window());
    for (const QWidget* w : widgets) {
        const ui::Control* owner = ownerOf(w);
        // Menus, scroll bars and the window's own parts follow the control or window
        // they belong to: only what no one coloured must be dark.
        const bool coloured = owner ? !isSystemColor(owner->BackColor())
                                    : w == form.clientArea() && !isSystemColor(form.BackColor());
        if (!coloured)
            for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
                const QColor color = w->palette().color(role);
                if (color.lightness() > kDarkest)
                    found.insert(describe(form, owner, w) + " " + roleName(role) +
                                 " " + rgb(color));
            }

        const QString named = owner                       ? owner->FontName()
                              : w == form.clientArea() ? form.Font().name
                                                       : QString::fromLatin1(ui::kDefaultFaceName);
        const QString face = QFontInfo(w->font()).family();
        if (face != expectedFace(named))
            found.insert(describe(form, owner, w) + " font \"" + named.toStdString() + "\" shows as " +
                         face.toStdString());
        if (owner && w == owner->widget() && face == QStringLiteral("Liberation Serif") &&
            !kSerifTexts.count(form.Name() + "." + owner->Name()))
            found.insert(describe(form, owner, w) + " in a serif face");
        if (owner && w == owner->widget()) checkReadable(form, *owner, found);
    }
}

class WindowTheme : public testsupport::WindowTour {
protected:
    Problems found;
    void visit(ui::Form& form) override { checkWindow(form, found); }
};

TEST_F(WindowTheme, EveryWindowIsDarkAndEveryTextIsInTheSansFaceOrTheFaceTheWindowNames) {
    visitEveryWindow();
    EXPECT_THAT(found, ::testing::IsEmpty());
}

// What no window owns: message boxes, file and input dialogs take the application's
// palette and font.
TEST(ApplicationTheme, TheApplicationPaletteIsDarkAndItsFontIsTheSansFaceByName) {
    const QPalette palette = QApplication::palette();
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button, QPalette::AlternateBase, QPalette::ToolTipBase})
        EXPECT_LE(palette.color(role).lightness(), kDarkest) << roleName(role);
    for (auto [back, text] : {std::pair{QPalette::Window, QPalette::WindowText}, {QPalette::Base, QPalette::Text},
                              {QPalette::Button, QPalette::ButtonText}, {QPalette::Highlight, QPalette::HighlightedText},
                              {QPalette::ToolTipBase, QPalette::ToolTipText}})
        EXPECT_GE(palette.color(text).lightness() - palette.color(back).lightness(), kReadable)
            << roleName(text);
    EXPECT_EQ(QApplication::font().family(), QString::fromLatin1(ui::kDefaultFaceName));
    EXPECT_EQ(QFontInfo(QApplication::font()).family(), QString::fromLatin1(ui::kDefaultFaceName));
}

}  // namespace
