// Every window as a user reaches it: each control's caption fits the control in the
// control's own font, and each control lies inside its container. Each window is walked
// in the states that show its panels.

#include <functional>
#include <set>

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QStyle>
#include <QStyleOption>
#include <gmock/gmock.h>

#include "platform/ui/check_box.h"
#include "platform/ui/command_button.h"
#include "platform/ui/frame.h"
#include "platform/ui/label.h"
#include "platform/ui/line_control.h"
#include "platform/ui/option_button.h"
#include "platform/ui/text_box.h"
#include "support/window_tour.h"

namespace {

using Problems = std::vector<std::string>;

// Controls that stand outside their container by design: "window.control".
const std::set<QString> kPlacedOutside = {
    "Form1.CommandSetfocus",  // the focus holder, kept below the tool bar's visible height
    "Form1.ImageResize",      // the width handle, half over the window's right edge
    "Form1.Shape1",           // the menus' icon gutters run past the bottom of their panels
    "Form1.Shape3",
    "Form38.Picture1",        // the About viewport reaches 21 twips past the window's bottom
    "Form38.Picture2",        // the About text, scrolled inside its viewport
    "FormResize.pctResize",   // the picture at its own size, seen through its frame
};
// The main window's bars span the wide window; the narrow one shows their left part.
const std::set<QString> kSpanningWideWindow = {"Form1.Picture2", "Form1.picToolBar"};

QString key(const ui::Control& c) { return c.form()->Name() + "." + c.Name(); }

std::string where(const ui::Control& c) {
    QString name = c.form()->Name() + "." + c.Name();
    if (c.Index() >= 0) name += QStringLiteral("(%1)").arg(c.Index());
    return name.toStdString();
}

int textWidth(const QFont& font, const QString& text) { return QFontMetrics(font).horizontalAdvance(text); }

// The room a caption needs beside a check box's or option button's indicator.
int indicatorRoom(const QWidget& w, bool radio, const QString& text) {
    const QStyle* style = w.style();
    const int indicator = style->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth,
                                             nullptr, &w);
    if (text.isEmpty()) return indicator;
    const int spacing = style->pixelMetric(radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing,
                                           nullptr, &w);
    return indicator + spacing + textWidth(w.font(), text);
}

// Where a single-line editor draws its text.
int editorTextWidth(const QLineEdit& line) {
    QStyleOptionFrame option;
    option.initFrom(&line);
    option.rect = line.rect();
    option.lineWidth = line.hasFrame() ? line.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &line) : 0;
    const QRect contents = line.style()->subElementRect(QStyle::SE_LineEditContents, &option, &line);
    const QMargins margins = line.textMargins();
    return contents.width() - margins.left() - margins.right() - 2 * 2;  // the editor's own margin of 2 on each side
}

void checkCaption(const ui::Control& c, Problems& found) {
    QWidget* w = c.widget();
    const QFontMetrics metrics(w->font());
    auto tooNarrow = [&](const QString& text, int needs, int has) {
        found.push_back(where(c) + " \"" + text.toStdString() + "\" needs " + std::to_string(needs) + " px, has " +
                        std::to_string(has));
    };
    if (auto* label = dynamic_cast<const ui::Label*>(&c)) {
        const QString text = label->Caption();
        const QRect room = label->contentsRect();
        if (text.trimmed().isEmpty()) return;
        if (label->WordWrap()) {
            const int needs = metrics.boundingRect(QRect(0, 0, room.width(), 100000), Qt::TextWordWrap, text).height();
            if (needs > room.height()) tooNarrow(text, needs, room.height());
        } else {
            if (textWidth(w->font(), text) > room.width()) tooNarrow(text, textWidth(w->font(), text), room.width());
            // Top-aligned: the text's ink reaches from the top to the ascent plus its lowest point.
            const int ink = metrics.ascent() + metrics.tightBoundingRect(text).bottom() + 1;
            if (ink > room.height()) tooNarrow(text + "\" (height", ink, room.height());
        }
    } else if (auto* check = dynamic_cast<const ui::CheckBox*>(&c)) {
        const int needs = indicatorRoom(*w, false, check->Caption());
        if (needs > w->width()) tooNarrow(check->Caption(), needs, w->width());
        const int tall = w->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, w);
        if (tall > w->height()) tooNarrow(check->Caption() + "\" (height", tall, w->height());
    } else if (auto* option = dynamic_cast<const ui::OptionButton*>(&c)) {
        const int needs = indicatorRoom(*w, true, option->Caption());
        if (needs > w->width()) tooNarrow(option->Caption(), needs, w->width());
    } else if (auto* button = dynamic_cast<const ui::CommandButton*>(&c)) {
        if (button->Caption().isEmpty()) return;
        const int frame = w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
        const int needs = textWidth(w->font(), button->Caption()) + 2 * frame;
        if (needs > w->width()) tooNarrow(button->Caption(), needs, w->width());
        if (metrics.height() > w->height()) tooNarrow(button->Caption() + "\" (height", metrics.height(), w->height());
    } else if (auto* frame = dynamic_cast<const ui::Frame*>(&c)) {
        if (frame->Caption().isEmpty()) return;
        const int needs = textWidth(w->font(), frame->Caption()) + 2 * metrics.averageCharWidth();
        if (needs > w->width()) tooNarrow(frame->Caption(), needs, w->width());
    } else if (auto* box = dynamic_cast<const ui::TextBox*>(&c)) {
        if (auto* line = qobject_cast<const QLineEdit*>(box->editor())) {
            const int needs = textWidth(line->font(), line->text());
            if (needs > editorTextWidth(*line)) tooNarrow(line->text(), needs, editorTextWidth(*line));
        } else if (auto* plain = qobject_cast<const QPlainTextEdit*>(box->editor()); plain && box->ScrollBars() < 2) {
            // Without a vertical scroll bar the whole text must show.
            const QRect room = plain->viewport()->rect();
            const int margin = int(plain->document()->documentMargin());
            const int needs = metrics.boundingRect(QRect(0, 0, room.width() - 2 * margin, 100000), Qt::TextWordWrap,
                                                   plain->toPlainText()).height() + 2 * margin;
            if (needs > room.height()) tooNarrow(plain->toPlainText().left(20) + "...\" (height", needs, room.height());
        }
    }
}

// Shown as the window stands: neither the control nor a container of it is hidden.
bool shown(const QWidget* w, const QWidget* client) {
    for (; w && w != client; w = w->parentWidget())
        if (w->isHidden()) return false;
    return true;
}

// The pixels a control covers; a line's widget holds one pen width more than its span,
// so that its end lies inside it.
QRect covered(const ui::Control& c) {
    QRect r = c.widget()->geometry();
    if (auto* line = dynamic_cast<const ui::LineControl*>(&c)) r.adjust(0, 0, -line->BorderWidth(), -line->BorderWidth());
    return r;
}

bool interactive(const ui::Control& c) {
    return qobject_cast<const QAbstractButton*>(c.widget()) || qobject_cast<const QAbstractSlider*>(c.widget()) ||
           qobject_cast<const QComboBox*>(c.widget());
}

// Inside its container, and, inside a scrolled panel, either wholly in view or wholly out
// of it: a panel's edge never cuts a control in two.
void checkPlace(const ui::Control& c, const QWidget* client, Problems& found) {
    const QWidget* w = c.widget();
    const QWidget* container = w->parentWidget();
    if (!container || kPlacedOutside.count(key(c))) return;
    const QRect room = container->contentsRect();
    if (!room.contains(covered(c))) {
        found.push_back(where(c) + " at " + std::to_string(w->x()) + "," + std::to_string(w->y()) + " " +
                        std::to_string(w->width()) + "x" + std::to_string(w->height()) + " lies outside " +
                        container->objectName().toStdString() + " (" + std::to_string(room.width()) + "x" +
                        std::to_string(room.height()) + ")");
        return;
    }
    const QRect place = covered(c).translated(container->mapTo(client, QPoint()));
    for (const QWidget* a = container; a && a != client; a = a->parentWidget()) {
        const QRect view = a->contentsRect().translated(a->mapTo(client, QPoint()));
        if (view.intersects(place) && !view.contains(place))
            found.push_back(where(c) + " is cut by the edge of " + a->objectName().toStdString());
    }
}

// Two controls a user works overlap: one hides part of the other.
void checkOverlaps(const std::vector<ui::Control*>& controls, Problems& found) {
    for (size_t i = 0; i < controls.size(); ++i)
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const ui::Control& a = *controls[i];
            const ui::Control& b = *controls[j];
            if (a.widget()->parentWidget() == b.widget()->parentWidget() && covered(a).intersects(covered(b)))
                found.push_back(where(a) + " overlaps " + where(b));
        }
}

// Every control of the window that shows as the window stands: its caption, its place.
// `beyondRight`: controls wholly right of the window's edge lie outside by design (the
// main window's detail block while the window is narrow).
void checkWindow(ui::Form& form, Problems& found, bool beyondRight) {
    std::vector<ui::Control*> working;
    for (ui::Component* component : form.Controls()) {
        auto* c = dynamic_cast<ui::Control*>(component);
        if (!c || !c->widget() || !shown(c->widget(), form.clientArea())) continue;
        checkCaption(*c, found);
        if (beyondRight && c->widget()->parentWidget() == form.clientArea() &&
            (c->widget()->x() >= form.clientArea()->width() || kSpanningWideWindow.count(key(*c))))
            continue;
        checkPlace(*c, form.clientArea(), found);
        if (interactive(*c)) working.push_back(c);
    }
    checkOverlaps(working, found);
}

class WindowLayout : public testsupport::WindowTour {
protected:
    std::set<std::string> found;

    void visit(ui::Form& form) override {
        Problems problems;
        checkWindow(form, problems, narrowMain);
        found.insert(problems.begin(), problems.end());
    }
};

TEST_F(WindowLayout, EveryCaptionFitsItsControlAndEveryControlLiesInsideItsContainer) {
    visitEveryWindow();
    EXPECT_THAT(found, ::testing::IsEmpty());
}

}  // namespace
