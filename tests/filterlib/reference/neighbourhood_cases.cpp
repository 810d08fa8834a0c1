#include "reference_cases.h"

namespace fxtest {

// The neighbourhood effects add their rows here when they are built.
std::vector<ReferenceCase> neighbourhoodReferenceCases() { return {}; }

}  // namespace fxtest
