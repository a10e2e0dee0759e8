#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A non-negative finite value as significant decimal digits: value = 0.d[0]d[1]... * 10^point.
// No trailing zeros; n == 0 is zero. Made with std::to_chars, so no locale is involved.
struct DecimalDigits {
  char d[32];
  int n = 0;
  int point = 0;

  // The value's first 25 significant digits, correctly rounded: enough that rounding them again
  // to 15 or fewer digits (roundTo) gives what rounding the exact binary value would.
  static DecimalDigits of(double magnitude) {
    DecimalDigits dec;
    if (!(magnitude > 0)) return dec;
    char buf[48];
    auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 24);
    if (ec != std::errc()) return dec;
    const char* p = buf;
    for (; p < end && *p != 'e'; ++p) {
      if (*p != '.') dec.d[dec.n++] = *p;
    }
    int exponent = 0;
    if (p < end) std::from_chars(p + 1 + (p[1] == '+'), end, exponent);
    dec.point = exponent + 1;
    dec.stripZeros();
    return dec;
  }

  // The value rounded to `digits` significant digits, halves away from zero, as read from its
  // exact binary value. Up to 15 digits of values from 1e-7 to 1e15 are found by scaling with an
  // exactly representable power of ten and rounding the exact product as an integer; other
  // values read 25 digits first.
  static DecimalDigits of(double magnitude, int digits) {
    DecimalDigits dec;
    if (digits >= 1 && digits <= 15 && magnitude >= 1e-7 && magnitude < 1e15 &&
        dec.scaled(magnitude, digits))
      return dec;
    dec = of(magnitude);
    dec.roundTo(digits);
    return dec;
  }

  char digitAt(int place) const {  // place 0 = units, -1 = tenths
    const int index = point - 1 - place;
    return index >= 0 && index < n ? d[index] : '0';
  }

  void stripZeros() {
    while (n > 0 && d[n - 1] == '0') --n;
  }

  // Scales x into [10^(digits-1), 10^digits) and rounds it there; false when the power of ten
  // needed is not exact.
  bool scaled(double x, int digits) {
    static constexpr double kTens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const double low = kTens[digits - 1], high = kTens[digits];
    // floor(log10(2) * binary exponent) + 1 is the number of integer digits or one less.
    const int binaryExponent = std::ilogb(x);
    point = (binaryExponent * 315653 >> 20) + 1;
    for (int attempt = 0; attempt < 2; ++attempt, ++point) {
      const int shift = digits - point;
      if (shift < 0 || shift > 22) return false;
      const double y = x * kTens[shift];
      const double error = std::fma(x, kTens[shift], -y);  // the product is exactly y + error
      if (y < low || (y == low && error < 0)) return false;
      if (y > high || (y == high && error >= 0)) continue;
      // Halves away from zero: up when the exact product reaches whole + 1/2. That half is a
      // multiple of y's spacing and |error| is at most half of it, so y alone decides unless it
      // is the half itself. Only comparisons touch y: no compiler may fuse it into a sum.
      const auto whole = static_cast<std::uint64_t>(y);
      const double half = static_cast<double>(whole) + 0.5;  // exact below 2^52
      std::uint64_t rounded = whole + (y > half || (y == half && error >= 0) ? 1 : 0);
      if (rounded == static_cast<std::uint64_t>(high)) {
        d[0] = '1';
        n = 1;
        ++point;
        return true;
      }
      n = digits;
      for (int i = digits - 1; i >= 0; --i, rounded /= 10)
        d[i] = static_cast<char>('0' + rounded % 10);
      stripZeros();
      return true;
    }
    return false;
  }

  // Keeps `keep` leading digits, rounding halves away from zero.
  void roundTo(int keep) {
    if (keep >= n) return;
    if (keep < 0) {
      n = 0;
      return;
    }
    const bool up = d[keep] >= '5';
    n = keep;
    if (up) {
      int i = n - 1;
      while (i >= 0 && d[i] == '9') --i;
      if (i < 0) {
        d[0] = '1';
        n = 1;
        ++point;
      } else {
        ++d[i];
        n = i + 1;
      }
    }
    stripZeros();
  }
};

}  // namespace kadrelle
#pragma GCC visibility pop
