#include "common/fixed4.hpp"

#include <cmath>
#include <limits>

#include "common/numtext.hpp"

namespace tq {
namespace {
__extension__ typedef __int128 Wide;
}  // namespace

Fixed4 Fixed4::from_double(double value) {
  if (!std::isfinite(value)) throw FixedRangeError("amount outside the fixed-point range");
  if (value == 0) return from_raw(0);
  // Start from the 15-digit decimal the display form shows, not from the binary value: a typed
  // 1.29645 is a tie in decimal and must round to even, 1.2964.
  const Rounded15 g = rounded15(value);
  const Wide digits = g.q;
  // value = digits x 10^(exponent - 14); ten-thousandths = digits x 10^(exponent - 10).
  const int shift = g.exponent - 10;
  Wide raw = 0;
  if (shift >= 0) {
    if (shift > 8) throw FixedRangeError("amount outside the fixed-point range");
    raw = digits;
    for (int k = 0; k < shift; ++k) raw *= 10;
  } else if (shift >= -15) {
    Wide divisor = 1;
    for (int k = 0; k < -shift; ++k) divisor *= 10;
    raw = digits / divisor;
    const Wide rest = digits % divisor;
    if (2 * rest > divisor || (2 * rest == divisor && raw % 2 != 0)) ++raw;
  }
  constexpr Wide kMax = std::numeric_limits<std::int64_t>::max();
  if (raw > kMax + (g.negative ? 1 : 0)) {
    throw FixedRangeError("amount outside the fixed-point range");
  }
  return from_raw(static_cast<std::int64_t>(g.negative ? -raw : raw));
}

Fixed4 operator-(Fixed4 a, Fixed4 b) {
  std::int64_t r = 0;
  if (__builtin_sub_overflow(a.raw_, b.raw_, &r)) {
    throw FixedRangeError("fixed-point overflow");
  }
  return Fixed4::from_raw(r);
}

Fixed4 operator+(Fixed4 a, Fixed4 b) {
  std::int64_t r = 0;
  if (__builtin_add_overflow(a.raw_, b.raw_, &r)) {
    throw FixedRangeError("fixed-point overflow");
  }
  return Fixed4::from_raw(r);
}

}  // namespace tq
