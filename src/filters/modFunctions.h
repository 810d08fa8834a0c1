#pragma once
// The selection of an effect in the Filters window: the program-wide effect number and
// the procedure that arranges the window's controls for a new effect.

#include <cstdint>
#include <optional>

#include "platform/ui/command_button.h"
#include "platform/ui/scroll_bar.h"

namespace modFunctions {

// The selected effect, 0 when none. The Filters window's load, Reload and Revert set 0.
extern int16_t CurrentEffect;

// Makes `effect` the current effect and arranges the controls for it: the colour picker
// of the one Filters window shown (pointer 99) for a picker effect, hidden (pointer 0)
// otherwise; then, without Min, an immediate effect: the hidden button enabled, the
// slider disabled, the button pressed, which applies the effect before this returns;
// with Min, a slider effect: the button disabled, the slider enabled and given Min, Max
// and Value in that order, each converted to 16 bits (nearest, halves to even). Every
// one of those three that moves the slider's value applies the effect at that value.
void SetupEffectControls(int16_t effect, ui::CommandButton& cmdApply, ui::HScrollBar& slider,
                         std::optional<double> Min = {}, std::optional<double> Max = {},
                         std::optional<double> Value = {});

}  // namespace modFunctions
