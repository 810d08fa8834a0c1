#include "filterlib/families.h"

namespace filterlib {

// The stochastic effects are not built yet; see EFFECTS.md for what each will compute.
void registerStochasticEffects(Exports&) {}

}  // namespace filterlib
