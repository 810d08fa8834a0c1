#include "filterlib/core/noise.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "filterlib/core/random.h"

namespace filterlib {

namespace {

double lattice(uint64_t seed, int64_t i, int64_t j) { return hashAt(seed, i, j) * (1.0 / 4294967296.0); }

double smoothstep(double t) { return t * t * (3 - 2 * t); }

// The lattice column i blended down to the row at weight ty between j and j + 1; noise
// then blends two columns across. fractalRow reuses the columns along a row.
double column(uint64_t seed, int64_t i, int64_t j, double ty) {
    const double top = lattice(seed, i, j);
    return top + (lattice(seed, i, j + 1) - top) * ty;
}

struct Place {
    int64_t cell;
    double weight;  // smoothstep of the position within the cell
};
Place placeOf(double coordinate, double cell) {
    const double u = coordinate / cell, whole = std::floor(u);
    return {static_cast<int64_t>(whole), smoothstep(u - whole)};
}

double across(double left, double right, double tx) { return left + (right - left) * tx; }

}  // namespace

double noise(double x, double y, double cell, uint64_t seed) {
    const Place px = placeOf(x, cell), py = placeOf(y, cell);
    return across(column(seed, px.cell, py.cell, py.weight), column(seed, px.cell + 1, py.cell, py.weight),
                  px.weight);
}

double fractal(double x, double y, double cell, int octaves, uint64_t seed) {
    double sum = 0, weights = 0, weight = 1;
    for (int k = 0; k < octaves; ++k) {
        sum += noise(x, y, cell, seed + static_cast<uint64_t>(k)) * weight;
        weights += weight;
        weight /= 2;
        cell /= 2;
    }
    return weights > 0 ? sum / weights : 0;
}

void fractalRow(double x0, double y, int count, double cell, int octaves, uint64_t seed, double* out) {
    if (count <= 0) return;
    std::fill(out, out + count, 0.0);
    std::vector<double> columns;
    double weights = 0, weight = 1;
    for (int k = 0; k < octaves; ++k) {
        const uint64_t octaveSeed = seed + static_cast<uint64_t>(k);
        const Place py = placeOf(y, cell);
        const int64_t first = placeOf(x0, cell).cell, last = placeOf(x0 + (count - 1), cell).cell + 1;
        columns.resize(static_cast<size_t>(last - first + 1));
        for (int64_t i = first; i <= last; ++i) columns[size_t(i - first)] = column(octaveSeed, i, py.cell, py.weight);
        for (int n = 0; n < count; ++n) {
            const Place px = placeOf(x0 + n, cell);
            const size_t at = static_cast<size_t>(px.cell - first);
            out[n] += across(columns[at], columns[at + 1], px.weight) * weight;
        }
        weights += weight;
        weight /= 2;
        cell /= 2;
    }
    for (int n = 0; n < count; ++n) out[n] = weights > 0 ? out[n] / weights : 0;
}

}  // namespace filterlib
