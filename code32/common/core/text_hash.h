// A fast hash of short texts (names of the dictionary and of rules) for the
// in-process lookup tables: eight bytes at a time, so a name costs a few
// multiplications instead of one per byte. Not stable across builds.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vesk {

inline size_t TextHash(std::string_view s) {
    const char* p = s.data();
    size_t n = s.size();
    uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    uint64_t w = 0;
    if (n) std::memcpy(&w, p, n);
    // Every input bit must reach the low bits the tables mask with.
    h ^= w;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return static_cast<size_t>(h);
}

}  // namespace vesk
