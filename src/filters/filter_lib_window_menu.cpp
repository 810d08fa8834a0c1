// The Filters window's "Filters" menu: one item per effect in nine submenus. Choosing an
// item selects its effect (modFunctions::SetupEffectControls), names it under the slider
// and applies it once; the blend effects first take a second picture from a file.

#include <algorithm>
#include <limits>

#include "filterlib/effect_calls.h"
#include "filters/effect_menu.h"
#include "filters/filter_lib_window.h"
#include "filters/modFunctions.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"
#include "platform/ui/label.h"
#include "platform/ui/services.h"

namespace {

constexpr double kLargestSliderValue = std::numeric_limits<int16_t>::max();

QString whyUnreadable(const runtime::Error& error) {
    switch (error.number()) {
    case runtime::kErrFileNotFound:
    case runtime::kErrPathNotFound: return "The file does not exist.";
    case runtime::kErrInvalidPicture: return "The file is not a picture of a kind this window opens.";
    default: return QString::fromStdString(error.description()) + ".";
    }
}

}  // namespace

void FilterLibFrm::createEffectMenu() {
    EffectSubmenus.clear();
    EffectItems.clear();
    mnuEffects = createMenu("mnuEffects", "Filters");
    for (const filters::EffectSubmenu& submenu : filters::effectSubmenus())
        EffectSubmenus.push_back(createMenu(submenu.name, submenu.caption, mnuEffects));
    for (const filters::EffectMenuItem& item : filters::effectMenuItems()) {
        ui::Menu* entry = createMenu(item.name, item.caption, EffectSubmenus[item.submenu]);
        const int number = item.number;
        entry->Click = [this, number] { EffectItem_Click(number); };
        EffectItems[number] = entry;
    }
}

void FilterLibFrm::EffectItem_Click(int number) {
    const filters::EffectMenuItem* item = filters::effectMenuItem(number);
    const filterlib::EffectCall* call = filterlib::effectCall(number);
    if (!item || !call) return;
    const int16_t effect = static_cast<int16_t>(number);
    if (call->immediate) {
        modFunctions::SetupEffectControls(effect, *Command2, *HScroll1);
        LabelCrtEffect->setCaption(item->label);
        return;
    }
    if (item->secondPicture && !chooseSecondPicture()) return;
    // The slider holds signed 16 bits: a wider picture's canvas reaches as far as it does.
    const double max = call->maxIsSourceWidth ? std::min(Picture1->ScaleWidth(), kLargestSliderValue) : call->max;
    modFunctions::SetupEffectControls(effect, *Command2, *HScroll1, call->min, max, call->start);
    LabelCrtEffect->setCaption(item->label);
    // Whatever the slider's own changes applied, a selection ends with one application
    // at the starting value, made after the label names the effect.
    HScroll1_Change();
}

// The dialog keeps the file last chosen in this window: a cancel loads that file again.
// A file that cannot be read as a picture is reported and selects nothing: blending
// against a blank picture would look like a result. The dialog then goes back to its
// earlier file, so a later cancel takes the picture in use.
bool FilterLibFrm::chooseSecondPicture() {
    const QString earlierName = CommonDialog1.FileName, earlierTitle = CommonDialog1.FileTitle;
    CommonDialog1.CancelError = false;
    CommonDialog1.DialogTitle = "Open...";
    CommonDialog1.InitDir = LastOpenFolder;
    CommonDialog1.Filter = "Compatible Image Files|*.bmp;*.jpg;*.emf;*.gif;*.rle;*.wmf";
    CommonDialog1.Flags = ui::cdlOFNHideReadOnly;
    CommonDialog1.ShowOpen();
    const QString fileName = CommonDialog1.FileName;
    if (!fileName.isEmpty()) {
        picture::Picture second;
        QString why;
        try {
            second = picture::LoadPicture(fileName.toStdString());
        } catch (const runtime::Error& e) {
            why = whyUnreadable(e);
        } catch (const std::exception&) {
            why = whyUnreadable(runtime::Error(runtime::kErrInvalidPicture, ""));
        }
        if (!why.isEmpty()) {
            CommonDialog1.FileName = earlierName;
            CommonDialog1.FileTitle = earlierTitle;
            ui::services().MsgBox("The second picture cannot be read:\n" + fileName + "\n" + why +
                                      "\nNo effect was applied.",
                                  runtime::vbOKOnly + runtime::vbExclamation, QString());
            return false;
        }
        Picture3->setPicture(picture::Picture());
        runtime::resumeNext([&] { Picture3->PaintPicture(second, 0, 0, Picture3->ScaleWidth(), Picture3->ScaleHeight()); });
    }
    LastOpenFolder = fileName.left(fileName.size() - CommonDialog1.FileTitle.size());
    return true;
}
