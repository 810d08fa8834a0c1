#include "reference_cases.h"

#include <cstdio>

namespace fxtest {

std::vector<ReferenceCase> allReferenceCases() {
    std::vector<ReferenceCase> all;
    for (auto family : {pointReferenceCases, neighbourhoodReferenceCases, geometricReferenceCases,
                        stochasticReferenceCases}) {
        std::vector<ReferenceCase> rows = family();
        all.insert(all.end(), rows.begin(), rows.end());
    }
    return all;
}

void PrintTo(const ReferenceCase& c, std::ostream* out) { *out << c.name; }

std::string decimal(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

std::string magickColour(gdi::COLORREF c) {
    return "'rgb(" + std::to_string(c & 0xFF) + "," + std::to_string((c >> 8) & 0xFF) + "," +
           std::to_string((c >> 16) & 0xFF) + ")'";
}

std::string pythonColour(gdi::COLORREF c) {
    return "(" + std::to_string(c & 0xFF) + ", " + std::to_string((c >> 8) & 0xFF) + ", " +
           std::to_string((c >> 16) & 0xFF) + ")";
}

}  // namespace fxtest
