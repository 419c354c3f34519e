// Integer metrics of the text code: vector lengths, angles in whole
// degrees, sines and cosines in 1/16384.
#pragma once
#include <win/gdi.h>

#include <cstdint>

namespace vesk {

// Generated tables: 16384 x sin n degrees (n = 0..90) and 65536 x tan of
// n tenths of a degree (n = 0..450).
extern const uint16_t kSin14Table[91];
extern const uint32_t kTanTenthTable[451];

// The smallest r with r x r >= a x a + b x b (squares in 64 bits).
LONG IntHypot(LONG a, LONG b);
// n x x, truncated toward zero and held within the LONG range.
LONG FloatScale(FLOATL x, LONG n);
// The angle of (x, y) in whole degrees, -180 to 180: 0 along +x, 90 along
// +y; (0, 0) is 0.
LONG VectorAngle(LONG x, LONG y);
// 16384 x sin and cos of a whole number of degrees (any sign).
LONG Sin14(LONG degrees);
LONG Cos14(LONG degrees);

}  // namespace vesk
