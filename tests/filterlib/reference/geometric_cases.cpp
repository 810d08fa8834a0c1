#include "reference_cases.h"

namespace fxtest {

// The geometric effects add their rows here when they are built.
std::vector<ReferenceCase> geometricReferenceCases() { return {}; }

}  // namespace fxtest
