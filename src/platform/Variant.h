#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "platform/Boolean.h"
#include "platform/Currency.h"
#include "platform/Object.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A value of any automation type the control passes around: nothing (Empty), Boolean, 16-bit
// Integer, 32-bit Long, Single, Double, Currency, String, or an object reference (a font, a value
// object, a lock level, a dispatch object; a null reference is Nothing). A Variant may instead be
// a by-reference cell: it then reads and writes a variable of the caller's (see ref and assign).
//
// The conversions follow Basic's rules:
//  - numbers convert to integers by rounding to the nearest, halves to even (2.5 -> 2, 3.5 -> 4);
//    a result outside the target type is error 6 (overflow);
//  - Boolean True is -1 as a number, and any nonzero number is True;
//  - text converts when it reads as a number (see parseNumber) or, for Boolean, as "True" or
//    "False" in any case; other text is error 13 (type mismatch);
//  - Empty converts to 0, False and "";
//  - an object converts to no plain value: error 13; a plain value where an object is needed is
//    error 424 (see objectOf).
using ObjectRef = std::shared_ptr<Object>;

[[noreturn]] void typeMismatchError();

class Variant {
 public:
  enum class Type { Empty, Boolean, Integer, Long, Single, Double, Currency, String, Object };

  Variant() = default;
  Variant(Boolean v) : value_(v) {}
  Variant(bool v) : value_(Boolean(v)) {}
  Variant(std::int16_t v) : value_(v) {}
  Variant(std::int32_t v) : value_(v) {}
  Variant(float v) : value_(v) {}
  Variant(double v) : value_(v) {}
  Variant(Currency v) : value_(v) {}
  Variant(std::string v) : value_(std::move(v)) {}
  Variant(std::string_view v) : value_(std::string(v)) {}
  Variant(const char* v) : value_(std::string(v)) {}
  template <class T>
  requires std::is_base_of_v<Object, T> Variant(std::shared_ptr<T> v)
      : value_(ObjectRef(std::move(v))) {}
  Variant(std::nullptr_t) : value_(ObjectRef()) {}

  // A by-reference cell over one of the caller's variables (Boolean, Integer, Long, Single,
  // Double, Currency, String or ObjectRef); the variable must outlive the cell.
  template <class T>
  static Variant ref(T& cell) {
    Variant v;
    v.value_ = Cell{&cell};
    return v;
  }

  // The type of the value, or of the referenced variable for a by-reference cell.
  Type type() const;
  bool isByRef() const { return std::holds_alternative<Cell>(value_); }
  bool isEmpty() const { return type() == Type::Empty; }
  // True for the numeric types and Boolean.
  bool holdsNumber() const;

  // The held (or referenced) value when it has exactly that type, or nullptr.
  template <class T>
  const T* get() const {
    if (const auto* cell = std::get_if<Cell>(&value_)) {
      if (auto* const* p = std::get_if<T*>(&cell->target)) return *p;
      return nullptr;
    }
    return std::get_if<T>(&value_);
  }

  // A plain copy: the value itself, or what a by-reference cell reads now.
  Variant value() const;
  // Basic's assignment: a plain Variant takes the value as it is; a by-reference cell converts it
  // to its variable's type (CInt for an Integer, CStr for a String, and so on) and writes it.
  void assign(const Variant& v);

  // Same type and same value (objects: same object; cells: same variable).
  friend bool operator==(const Variant& a, const Variant& b) { return a.value_ == b.value_; }

  static const char* typeName(Type t);

 private:
  struct Cell {
    std::variant<Boolean*, std::int16_t*, std::int32_t*, float*, double*, Currency*, std::string*,
                 ObjectRef*>
        target;
    friend bool operator==(const Cell&, const Cell&) = default;
  };

  std::variant<std::monostate, Boolean, std::int16_t, std::int32_t, float, double, Currency,
               std::string, ObjectRef, Cell>
      value_;
};

// Reads text as a number the way Basic does, whatever the C library's locale: blanks around it,
// an optional sign, digits with thousands separators (",", any number anywhere after the first
// digit: "1,,000" and "1," are numbers) before the decimal point, an optional fraction and an
// optional exponent ("E" or "D", with sign); a value too small to hold is 0. Or "&H" followed by
// hexadecimal digits, or "&O" followed by octal digits, up to 32 bits: a value that fits 16 bits
// is an Integer and one that does not a Long, both two's complement ("&H8002" is -32766,
// "&HFFFFFFFF" is -1). Returns nothing for anything else, including the empty text.
std::optional<double> parseNumber(std::string_view text);

// The object a Variant refers to, as the interface a member needs: Nothing gives nullptr; a plain
// value is error 424 (Object required); an object of another kind is error 13 (Type mismatch).
ObjectRef objectOf(const Variant& v);
template <class T>
std::shared_ptr<T> objectOf(const Variant& v) {
  ObjectRef o = objectOf(v);
  if (!o) return nullptr;
  auto t = std::dynamic_pointer_cast<T>(o);
  if (!t) typeMismatchError();
  return t;
}

// Basic's numeric test: numbers, Booleans, Empty and text that parseNumber reads.
bool IsNumeric(const Variant& v);

Boolean CBool(const Variant& v);
std::int16_t CInt(const Variant& v);
std::int32_t CLng(const Variant& v);
// A NaN or an infinity (Basic has neither), or a magnitude beyond Single's, is overflow (6).
float CSng(const Variant& v);
double CDbl(const Variant& v);
Currency CCur(const Variant& v);
std::string CStr(const Variant& v);
// The text Basic's "&" takes of a value: CStr, except that a font object gives its name (its
// default member) and an empty font reference is error 91.
std::string concatText(const Variant& v);

// Nearest integer, halves to even, as a double (no range check).
double roundHalfEven(double x);
// Nearest integer, halves to even, in range of the target type or error 6.
std::int16_t toInt16(double x);
std::int32_t toInt32(double x);

// Default text forms of numbers, whatever the C library's locale: up to 7 significant digits for
// Single and 15 for Double, halves rounded away from zero (the Single 654322.25 is "654322.3"), no
// trailing zeros; plain decimals from 0.00001 up to the digit count ("0.000056789"), outside that
// the exponent form "1.5E+10", "2.5E-07".
std::string numberText(double x);
std::string numberText(float x);
std::string numberText(std::int32_t x);
std::string numberText(Currency x);
std::string booleanText(Boolean b);  // "True" or "False"

}  // namespace kadrelle
#pragma GCC visibility pop
