#pragma once
// The Filters window's "Filters" menu: nine submenus and one item per effect, in menu
// order. An item names its effect number, its caption and object name, the caption the
// window's label shows while the effect is selected, and whether the effect takes the
// picked colour (the picker shows) or a second picture (a file dialog comes first). The
// slider's range and starting value, and whether the effect has a slider at all, are
// the library call table's (filterlib/effect_calls.h), keyed by the same number.

#include <cstdint>
#include <span>

namespace filters {

struct EffectSubmenu {
    const char* caption;
    const char* name;
};

struct EffectMenuItem {
    int16_t number;
    int submenu;  // index into effectSubmenus()
    const char* caption;
    const char* name;
    const char* label;
    bool picker;
    bool secondPicture;
};

std::span<const EffectSubmenu> effectSubmenus();
// The 70 items, submenu by submenu, each in menu order.
std::span<const EffectMenuItem> effectMenuItems();
// nullptr for a number no item selects.
const EffectMenuItem* effectMenuItem(int number);

}  // namespace filters
