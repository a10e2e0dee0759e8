#pragma once

#include <charconv>

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

  char digitAt(int place) const {  // place 0 = units, -1 = tenths
    const int index = point - 1 - place;
    return index >= 0 && index < n ? d[index] : '0';
  }

  void stripZeros() {
    while (n > 0 && d[n - 1] == '0') --n;
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
