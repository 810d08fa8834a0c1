#include "reference_cases.h"

namespace fxtest {

// The stochastic effects add their rows here when they are built.
std::vector<ReferenceCase> stochasticReferenceCases() { return {}; }

}  // namespace fxtest
