#include "filterlib/core/noise.h"

#include <cmath>

#include "filterlib/core/random.h"

namespace filterlib {

namespace {

double lattice(uint64_t seed, int64_t i, int64_t j) { return hashAt(seed, i, j) * (1.0 / 4294967296.0); }

double smoothstep(double t) { return t * t * (3 - 2 * t); }

}  // namespace

double noise(double x, double y, double cell, uint64_t seed) {
    const double u = x / cell, v = y / cell;
    const double fi = std::floor(u), fj = std::floor(v);
    const auto i = static_cast<int64_t>(fi), j = static_cast<int64_t>(fj);
    const double tx = smoothstep(u - fi), ty = smoothstep(v - fj);
    const double top = lattice(seed, i, j) + (lattice(seed, i + 1, j) - lattice(seed, i, j)) * tx;
    const double bottom = lattice(seed, i, j + 1) + (lattice(seed, i + 1, j + 1) - lattice(seed, i, j + 1)) * tx;
    return top + (bottom - top) * ty;
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

}  // namespace filterlib
