#pragma once
// A four-decimal fixed-point amount: a 64-bit count of ten-thousandths.

#include <cstdint>
#include <stdexcept>

namespace tq {

struct FixedRangeError : std::range_error {
  using std::range_error::range_error;
};

class Fixed4 {
 public:
  static constexpr std::int64_t kScale = 10000;

  constexpr Fixed4() = default;
  // Rounds the value's 15-significant-digit decimal form to the nearest ten-thousandth, halves
  // to even; throws FixedRangeError when the value is not finite or lies outside the range.
  static Fixed4 from_double(double value);
  static constexpr Fixed4 from_raw(std::int64_t raw) {
    Fixed4 f;
    f.raw_ = raw;
    return f;
  }

  constexpr std::int64_t raw() const { return raw_; }
  double to_double() const { return static_cast<double>(raw_) / kScale; }
  constexpr bool is_zero() const { return raw_ == 0; }

  // Throws FixedRangeError on overflow.
  friend Fixed4 operator-(Fixed4 a, Fixed4 b);
  friend Fixed4 operator+(Fixed4 a, Fixed4 b);
  friend constexpr bool operator==(Fixed4 a, Fixed4 b) { return a.raw_ == b.raw_; }

 private:
  std::int64_t raw_ = 0;
};

}  // namespace tq
