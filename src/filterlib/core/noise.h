#pragma once
// Smooth noise fields for the texture effects, made from the seeded lattice of hashAt:
// value noise (lattice values blended with smoothstep weights) and its sum over octaves.
// A field is fixed by its seed alone, so any point can be asked for in any order.

#include <cstdint>

namespace filterlib {

// Value noise at (x, y): the lattice values hashAt(seed, i, j) / 2^32 at the corners of the
// cell of side `cell` (> 0) that holds the point, blended with smoothstep weights. 0..1.
double noise(double x, double y, double cell, uint64_t seed);

// The octaves k = 0 .. octaves-1 of noise at cell / 2^k, seed + k, weighted 1 / 2^k, divided
// by the sum of the weights: 0..1, finer detail over the coarse field.
double fractal(double x, double y, double cell, int octaves, uint64_t seed);

// fractal(x0 + k, y, ...) for k = 0 .. count-1 into out, the same numbers to the last bit,
// with each lattice value drawn once per row instead of once per point.
void fractalRow(double x0, double y, int count, double cell, int octaves, uint64_t seed, double* out);

}  // namespace filterlib
