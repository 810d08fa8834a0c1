#include "filterlib/families.h"

namespace filterlib {

// The geometric effects are not built yet; see EFFECTS.md for what each will compute.
void registerGeometricEffects(Exports&) {}

}  // namespace filterlib
