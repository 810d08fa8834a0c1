#include "tools/FormEffects.h"

namespace tools {

void ShowEffectsWindow() {}

}  // namespace tools
