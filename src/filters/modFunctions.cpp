#include "filters/modFunctions.h"

#include "filters/effect_menu.h"
#include "filters/filter_lib_window.h"
#include "platform/runtime/numbers.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"

namespace modFunctions {

int16_t CurrentEffect = 0;

void SetupEffectControls(int16_t effect, ui::CommandButton& cmdApply, ui::HScrollBar& slider,
                         std::optional<double> Min, std::optional<double> Max, std::optional<double> Value) {
    CurrentEffect = effect;

    FilterLibFrm& window = ui::forms<FilterLibFrm>();
    const filters::EffectMenuItem* item = filters::effectMenuItem(effect);
    const bool picker = item && item->picker;
    // The thumbnail's pointer is also its picking switch: it picks only under pointer 99.
    window.PictureCatalogue->setMousePointer(picker ? ui::vbCustom : ui::vbDefault);
    window.PictureCatalogue->setVisible(picker);
    window.Text2->setVisible(picker);
    window.ImagePickerZoom->setVisible(picker);

    if (!Min) {
        cmdApply.setEnabled(true);
        slider.setEnabled(false);
        cmdApply.setValue(true);
        return;
    }
    cmdApply.setEnabled(false);
    slider.setEnabled(true);
    slider.setMin(runtime::CInt(*Min));
    slider.setMax(runtime::CInt(Max.value_or(0)));
    slider.setValue(runtime::CInt(Value.value_or(0)));
}

}  // namespace modFunctions
