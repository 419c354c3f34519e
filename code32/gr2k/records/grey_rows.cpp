// Grey rows from blue, green, red pixels. A monochrome device's page is sent
// this way band after band (a third of the band's bytes), so the conversion
// is the raster page's largest cost: on processors with 256-bit integer
// vectors it converts 32 pixels a step, with the same integer arithmetic
// as the plain loop, so both give the same bytes.
#include <algorithm>
#include <cstring>

#include "records/raster_record.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VESK_GREY_VECTORS 1
#endif

namespace vesk {

namespace {

inline BYTE greyOf(const BYTE* bgr) {
    return static_cast<BYTE>((bgr[2] * 306u + bgr[1] * 601u + bgr[0] * 117u) >> 10);
}

void greyPlain(const BYTE* bgr, DWORD pixels, BYTE* out) {
    for (DWORD i = 0; i < pixels; ++i, bgr += 3) out[i] = greyOf(bgr);
}

#ifdef VESK_GREY_VECTORS

// Eight pixels: two groups of four, one per 128-bit half, from the 16 bytes
// at `bgr` and at `bgr` + 12 (28 bytes are read). Blue and green go as
// 16-bit pairs through one multiply-add, red through another; the sums are
// 32-bit, shifted as the plain loop shifts.
__attribute__((target("avx2"))) inline __m256i greyEight(const BYTE* bgr) {
    const __m256i v = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 12)), 1);
    const __m256i pickBg = _mm256_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1,  //
                                            0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1);
    const __m256i pickR = _mm256_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1,  //
                                           2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1);
    const __m256i weightBg = _mm256_set1_epi32(601 << 16 | 117);
    const __m256i weightR = _mm256_set1_epi32(306);
    const __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(v, pickBg), weightBg),
                                         _mm256_madd_epi16(_mm256_shuffle_epi8(v, pickR), weightR));
    return _mm256_srli_epi32(sum, 10);
}

__attribute__((target("avx2"))) void greyVectors(const BYTE* bgr, DWORD pixels, BYTE* out) {
    // A step reads 100 bytes from its first pixel: it needs 34 pixels left.
    DWORD i = 0;
    for (; pixels - i >= 34; i += 32, bgr += 96, out += 32) {
        const __m256i a = _mm256_packs_epi32(greyEight(bgr), greyEight(bgr + 24));
        const __m256i b = _mm256_packs_epi32(greyEight(bgr + 48), greyEight(bgr + 72));
        // The packs work per half: put the groups of four back in order.
        const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(a, b),
                                                          _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), bytes);
    }
    greyPlain(bgr, pixels - i, out);
}

using GreyFn = void (*)(const BYTE*, DWORD, BYTE*);

GreyFn chooseGrey() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? greyVectors : greyPlain;
}

#endif

}  // namespace

void GreyFromBgr(const BYTE* bgr, DWORD pixels, BYTE* out, DWORD outBytes) {
    const DWORD n = std::min(pixels, outBytes);
#ifdef VESK_GREY_VECTORS
    static const GreyFn convert = chooseGrey();
    convert(bgr, n, out);
#else
    greyPlain(bgr, n, out);
#endif
    std::memset(out + n, 0, outBytes - n);
}

}  // namespace vesk
