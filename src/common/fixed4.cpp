#include "common/fixed4.hpp"

#include <cfenv>
#include <cmath>

namespace tq {

Fixed4 Fixed4::from_double(double value) {
  const double scaled = value * static_cast<double>(kScale);
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  constexpr double kLimit = 9223372036854775808.0;
  if (!std::isfinite(scaled) || scaled >= kLimit || scaled < -kLimit) {
    throw FixedRangeError("amount outside the fixed-point range");
  }
  // nearbyint rounds in the current mode, which is to-nearest-even unless someone changed it.
  const int saved = std::fegetround();
  if (saved != FE_TONEAREST) std::fesetround(FE_TONEAREST);
  const double rounded = std::nearbyint(scaled);
  if (saved != FE_TONEAREST) std::fesetround(saved);
  if (rounded >= kLimit) throw FixedRangeError("amount outside the fixed-point range");
  return from_raw(static_cast<std::int64_t>(rounded));
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
