#include "filterlib/families.h"

namespace filterlib {

// The neighbourhood effects are not built yet; see EFFECTS.md for what each will compute.
void registerNeighbourhoodEffects(Exports&) {}

}  // namespace filterlib
