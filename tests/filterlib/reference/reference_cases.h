#pragma once
// The reference checks of every family: an effect at one value beside the named operation
// of a reference tool, on a small fixture, within a stated tolerance (EFFECTS.md gives each
// one). The benchmark times the rows marked timed on a large picture, beside the effect.
// Each family lists its rows in a file of its own.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "support/fx_picture.h"
#include "support/reference_runner.h"

namespace fxtest {

struct Tolerance {
    int largest;  // the largest difference of one channel value
    double mean;  // the mean difference over all channel values
};
constexpr Tolerance kExact{0, 0};
constexpr Tolerance kRounding{1, 1};

struct ReferenceCase {
    std::string name;  // letters, digits and underscores: it names the test
    int effect;        // effect number (filterlib/effect_calls.h)
    int16_t v;
    gdi::COLORREF c;
    Fixture fixture;
    Operation operation;
    Tolerance tolerance;
    bool timed;  // the benchmark times the operation beside the effect at v
    bool secondPicture = false;  // a blend: the second picture is the Rings fixture
    int inset = 0;  // pixels at each edge left out: where the reference fades into its transparent surround
};

// Test output names a row by its name.
void PrintTo(const ReferenceCase& c, std::ostream* out);

std::vector<ReferenceCase> pointReferenceCases();
std::vector<ReferenceCase> neighbourhoodReferenceCases();
std::vector<ReferenceCase> geometricReferenceCases();
std::vector<ReferenceCase> stochasticReferenceCases();
std::vector<ReferenceCase> allReferenceCases();

// Text for operations: a number with enough digits, a colour as rgb(r,g,b) (quoted for
// the shell) and as a Python tuple.
std::string decimal(double v);
std::string magickColour(gdi::COLORREF c);
std::string pythonColour(gdi::COLORREF c);

}  // namespace fxtest
