#pragma once

#include <compare>
#include <cstdint>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A fixed-point number with four decimal places, held as a 64-bit count of ten-thousandths.
class Currency {
 public:
  static constexpr std::int64_t kScale = 10000;

  constexpr Currency() = default;
  static constexpr Currency fromScaled(std::int64_t scaled) {
    Currency c;
    c.scaled_ = scaled;
    return c;
  }
  // Rounds to four places, halves to even; throws overflow outside the 64-bit range.
  static Currency fromDouble(double value);

  constexpr std::int64_t scaled() const { return scaled_; }
  // The nearest double to the value (one rounding: 2.28 gives the double nearest 2.28).
  constexpr double toDouble() const { return static_cast<double>(scaled_) / 10000.0; }
  friend constexpr auto operator<=>(Currency, Currency) = default;

 private:
  std::int64_t scaled_ = 0;
};

}  // namespace kadrelle
#pragma GCC visibility pop
