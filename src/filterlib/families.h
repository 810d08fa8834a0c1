#pragma once
// The four families of effects, each adding its entry points to the library's table.
// A family whose effects are not built yet adds nothing, and their names are not found.

#include "filterlib/registry.h"

namespace filterlib {

void registerPointEffects(Exports& exports);
void registerNeighbourhoodEffects(Exports& exports);
void registerGeometricEffects(Exports& exports);
void registerStochasticEffects(Exports& exports);

}  // namespace filterlib
