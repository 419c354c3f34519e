// The engine's line attributes as the line records carry them: the width
// under the transform, caps, joins, the mitre limit and the dash style as a
// 32-cell mask with its cell size and starting offset.
#include <cmath>
#include <cstdint>

#include "vector/vector.h"

namespace vesk {

namespace {

constexpr int kCells = 32;

LONG toLong(double v) {
    if (!(v == v)) return 0;  // NaN
    if (v > 2147483647.0) return 0x7FFFFFFF;
    if (v < -2147483648.0) return LONG(0x80000000);
    return static_cast<LONG>(v);
}

// The dash mask of the elements (dash, gap, dash, ...) of `n` cells each
// at least 1 that add up to 32 cells; the first element in the most
// significant cells.
DWORD maskOf(const int64_t* e, int n) {
    DWORD mask = 0;
    for (int i = 0; i < n; ++i)
        for (int64_t k = 0; k < e[i]; ++k) mask = (mask << 1) | (i % 2 == 0 ? 1u : 0u);
    return mask;
}

// Converts the style elements into the mask, unit and offset of `out`. 0
// when a geometric line's cell size exceeds 255; a pattern that does not
// fit the mask leaves the line solid.
int dashConvert(const int64_t* in, int n, int64_t start, bool geometric, LineAttrs* out) {
    int64_t e[kCells];
    if (n <= 0) return 1;
    // A zero element takes its next neighbour's value, the last one its
    // previous; the sum is the pattern's length.
    int64_t S = 0;
    for (int i = 0; i < n; ++i) {
        int64_t v = in[i] > 0 ? in[i] : 0;
        if (v == 0) v = i + 1 < n ? (in[i + 1] > 0 ? in[i + 1] : 0) : (i > 0 ? (in[i - 1] > 0 ? in[i - 1] : 0) : 0);
        S += v;
        if (i < kCells) e[i] = v;
    }
    if (S <= 0) return 1;
    const int64_t offset = start * kCells / S;
    if (S > kCells) {
        const int64_t unit = S / kCells;
        if (unit > 255) {
            if (geometric) return 0;
        }
        // More elements than cells cannot be drawn at one cell each.
        if (n > kCells) return 1;
        int64_t total = 0;
        for (int i = 0; i < n; ++i) {
            e[i] = e[i] * kCells / S;
            if (e[i] < 1) e[i] = 1;
            total += e[i];
        }
        if (total > kCells) return 1;
        for (int i = 0; total < kCells; i = (i + 1) % n, ++total) ++e[i];
        int64_t others = 0;
        for (int i = 0; i + 1 < n; ++i) others += e[i];
        e[n - 1] = kCells - others;
        if (e[n - 1] < 1) return 1;
        out->styleUnit = static_cast<SHORT>(unit > 255 ? 255 : unit);
        S = kCells;
    } else {
        out->styleUnit = 1;
    }
    int count = n;
    const int64_t repeat = kCells / S;
    if (repeat >= 2) {
        // The pattern repeated, the remainder spread over the elements: an
        // equal share each, then one more to the first ones.
        count = static_cast<int>(n * repeat);
        if (count > kCells) return 1;
        for (int i = n; i < count; ++i) e[i] = e[i % n];
        const int64_t rest = kCells % S;
        const int64_t share = rest / count, extra = rest % count;
        for (int i = 0; i < count; ++i) e[i] += share + (i < extra ? 1 : 0);
    } else {
        // The spare cells one each to the elements in order, any left to
        // the last one.
        int64_t spare = kCells - S;
        for (int i = 0; i < n && spare > 0; ++i, --spare) ++e[i];
        e[n - 1] += spare;
    }
    out->mask = maskOf(e, count);
    // The offset in cells, within the mask.
    out->styleOffset = static_cast<SHORT>(((offset % kCells) + kCells) % kCells);
    return 1;
}

}  // namespace

LONG XformLineScale(XFORMOBJ* pxo) {
    XFORML m{1, 0, 0, 1, 0, 0};
    XFORMOBJ_iGetXform(pxo, &m);
    const double a = m.eM11, b = m.eM12, c = m.eM21, d = m.eM22;
    if (a == 1 && b == 0 && c == 0 && d == 1) return -1;
    // A width is kept in every direction only when both rows of the matrix
    // have one length and stand at right angles (a scale the same in x and
    // y, possibly turned or mirrored); lengths compared at 1/8 precision.
    const double r1 = std::hypot(a, b), r2 = std::hypot(c, d);
    if (toLong(r1 * 8) != toLong(r2 * 8)) return 0;
    if (std::fabs(a * c + b * d) * 8 >= r1 * r2 && r1 * r2 > 0) return 0;
    // Rounded: a factor that floats give a hair below a whole 1/256 keeps it.
    const LONG s = toLong(r1 * 256 + 0.5);
    return s > 0 ? s : 0;
}

int LineAttrsConvert(Pdev* p, const LINEATTRS* la, DWORD color, XFORMOBJ* pxo, LineAttrs* out, int* geometric) {
    *out = LineAttrs{};
    out->mask = 0xFFFFFFFF;
    const bool geo = la && (la->fl & LA_GEOMETRIC);
    const bool styled = la && (la->fl & LA_STYLED);
    *geometric = geo ? 1 : 0;
    if (!la) return 0;
    const LONG scale = geo ? XformLineScale(pxo) : -1;
    int64_t width = 1;
    if (geo) {
        int64_t w = toLong(la->elWidth.e);
        if (w == 0) w = la->elWidth.l > 0 && la->elWidth.l <= 0x7FFF ? la->elWidth.l : 0;
        if (w > 0) {
            if (scale == 0) return 0;
            if (scale > 0) {
                w = w * scale >> 8;
                if (w == 0) w = 1;
            }
        }
        width = w > 0 ? w : 1;
        if (width > 0x7FFF) width = 0x7FFF;
        out->join = la->iJoin == JOIN_BEVEL ? 1 : la->iJoin == JOIN_MITER ? 2 : 0;
        out->cap = la->iEndCap == ENDCAP_SQUARE ? 2 : la->iEndCap == ENDCAP_BUTT ? 1 : 0;
    }
    out->width = static_cast<SHORT>(width);
    if (geo || styled) {
        double limit = la->eMiterLimit;
        if (!(limit == limit) || limit < 1) limit = 1;
        if (limit > 32767) limit = 32767;
        out->mitreLimit = static_cast<DWORD>(limit * 256);
    } else {
        out->mitreLimit = 2560;
    }
    out->penColor = color;
    if (!(geo || styled) || la->cstyle < 2 || !la->pstyle) return 1;
    if (geo && width != 1) return 0;
    // Element lengths in pixels: cosmetic style units are 1/50 inch.
    const int64_t perUnit = p->resolution / 50 ? p->resolution / 50 : 1;
    ULONG first = 0;
    int64_t start = 0;
    if (la->fl & LA_STARTGAP) {
        start = geo ? toLong(la->pstyle[0].e) : (la->pstyle[0].l & 0xFF);
        first = 1;
    }
    const ULONG n = la->cstyle - first;
    // Only the first cells' worth of elements is kept; a longer pattern is
    // drawn solid, but its sum still decides the cell size.
    int64_t elems[kCells + 1];
    int64_t sumAll = 0;
    for (ULONG i = 0; i < n; ++i) {
        const FLOAT_LONG v = la->pstyle[first + i];
        int64_t len = geo ? toLong(scale > 0 ? double(v.e) * scale / 256 : double(v.e)) : int64_t{v.l} * perUnit;
        if (i <= kCells) elems[i] = len;
        sumAll += len > 0 ? len : 0;
    }
    if (n > kCells) {
        // Every element takes at least one cell: the pattern cannot fit.
        if (geo && sumAll / kCells > 255) return 0;
        return 1;
    }
    LineAttrs dashed = *out;
    if (!dashConvert(elems, static_cast<int>(n), start, geo, &dashed)) return 0;
    *out = dashed;
    return 1;
}

}  // namespace vesk
