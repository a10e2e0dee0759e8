#pragma once

#include <cstdint>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The 16-bit automation Boolean: True is -1 (every bit set), False is 0. Any nonzero raw value
// tests true, but only -1 and 0 are produced by this type itself. Comparison is by raw value, so a
// stray 1 read from outside is not equal to True.
class Boolean {
 public:
  constexpr Boolean() = default;
  constexpr Boolean(bool value) : raw_(value ? -1 : 0) {}  // NOLINT: implicit by design

  static constexpr Boolean fromRaw(std::int16_t raw) {
    Boolean b;
    b.raw_ = raw;
    return b;
  }

  constexpr std::int16_t raw() const { return raw_; }
  constexpr explicit operator bool() const { return raw_ != 0; }
  constexpr Boolean operator!() const { return Boolean(raw_ == 0); }
  friend constexpr bool operator==(Boolean, Boolean) = default;

 private:
  std::int16_t raw_ = 0;
};

inline constexpr Boolean kTrue{true};
inline constexpr Boolean kFalse{false};

}  // namespace kadrelle
#pragma GCC visibility pop
