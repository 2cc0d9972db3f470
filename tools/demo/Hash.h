#pragma once

#include <cstdint>

namespace oxv::demo {

// Stateless pseudo-random numbers: every draw is a hash of the seed and the
// thing it belongs to (a pulse, a house, a map cell), so the result does not
// depend on the order things are generated in and a seed always gives the
// same survey.
inline uint64_t Mix(uint64_t x)
{
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

inline uint64_t Hash(uint64_t a, uint64_t b) { return Mix(a ^ Mix(b)); }
inline uint64_t Hash(uint64_t a, uint64_t b, uint64_t c) { return Mix(Hash(a, b) ^ Mix(c + 0x632be59bd9b4e019ull)); }

// Uniform in [0, 1).
inline double Unit(uint64_t h) { return static_cast<double>(h >> 11) * 0x1.0p-53; }
inline double Unit(uint64_t a, uint64_t b) { return Unit(Hash(a, b)); }
inline double Unit(uint64_t a, uint64_t b, uint64_t c) { return Unit(Hash(a, b, c)); }

// Uniform in [lo, hi).
inline double Uniform(double lo, double hi, uint64_t h) { return lo + (hi - lo) * Unit(h); }

inline uint64_t CellKey(int64_t i, int64_t j) { return static_cast<uint64_t>(i) * 0x100000001b3ull ^ static_cast<uint64_t>(j); }

}  // namespace oxv::demo
