#include "platform/Variant.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/DecimalDigits.h"
#include "platform/Error.h"
#include "platform/StdFont.h"
#include "platform/Text.h"

namespace kadrelle {

namespace {

// "&H" and "&O" numbers: up to 32 bits, read as Basic reads them. A value that fits 16 bits is
// an Integer ("&HFFFF" is -1, "&H8002" is -32766), a larger one a Long ("&HFFFFFFFF" is -1).
std::optional<double> parseRadix(std::string_view digits, int radix) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    const int d = hexDigitValue(c);
    if (d < 0 || d >= radix) return std::nullopt;
    value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  if (value <= 0xFFFFu) return static_cast<double>(static_cast<std::int16_t>(value));
  return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

// Boolean's numeric value: True is -1.
double booleanNumber(Boolean b) {
  return static_cast<double>(b.raw());
}

// The value as a double, or type mismatch.
double numberOf(const Variant& v) {
  switch (v.type()) {
    case Variant::Type::Empty:
      return 0.0;
    case Variant::Type::Boolean:
      return booleanNumber(*v.get<Boolean>());
    case Variant::Type::Integer:
      return *v.get<std::int16_t>();
    case Variant::Type::Long:
      return *v.get<std::int32_t>();
    case Variant::Type::Single:
      return *v.get<float>();
    case Variant::Type::Double:
      return *v.get<double>();
    case Variant::Type::Currency:
      return v.get<Currency>()->toDouble();
    case Variant::Type::String: {
      if (auto n = parseNumber(*v.get<std::string>())) return *n;
      throw Error::typeMismatch();
    }
    case Variant::Type::Object:
      break;
  }
  throw Error::typeMismatch();
}

void appendDigits(std::string& out, const char* digits, int count) {
  out.append(digits, static_cast<std::size_t>(count));
}

void appendInteger(std::string& out, long long value) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, end);
}

// Basic's default text of a number: `digits` significant digits, halves rounded away from
// zero, no trailing zeros; plain decimals for exponents from -5 to digits - 1, else "1.5E+10".
std::string generalText(double x, int digits) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x < 0 ? "-INF" : "INF";
  if (x == 0) return "0";
  DecimalDigits dec = DecimalDigits::of(std::fabs(x), digits);
  std::string out;
  if (x < 0) out += '-';
  const int exponent = dec.point - 1;
  if (exponent < -5 || exponent >= digits) {
    out += dec.d[0];
    if (dec.n > 1) {
      out += '.';
      appendDigits(out, dec.d + 1, dec.n - 1);
    }
    out += exponent < 0 ? "E-" : "E+";
    if (std::abs(exponent) < 10) out += '0';
    appendInteger(out, std::abs(exponent));
  } else if (dec.point <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-dec.point), '0');
    appendDigits(out, dec.d, dec.n);
  } else {
    for (int place = dec.point - 1; place >= 0; --place) out += dec.digitAt(place);
    if (dec.n > dec.point) {
      out += '.';
      appendDigits(out, dec.d + dec.point, dec.n - dec.point);
    }
  }
  return out;
}

}  // namespace

void typeMismatchError() {
  throw Error::typeMismatch();
}

Variant::Type Variant::type() const {
  if (const auto* cell = std::get_if<Cell>(&value_)) {
    // The cell alternatives follow the value alternatives, one type later.
    return static_cast<Type>(cell->target.index() + 1);
  }
  return static_cast<Type>(value_.index());
}

Variant Variant::value() const {
  const auto* cell = std::get_if<Cell>(&value_);
  if (!cell) return *this;
  return std::visit([](auto* p) { return Variant(*p); }, cell->target);
}

void Variant::assign(const Variant& v) {
  auto* cell = std::get_if<Cell>(&value_);
  if (!cell) {
    *this = v.value();
    return;
  }
  std::visit(
      [&v](auto* p) {
        using T = std::remove_pointer_t<decltype(p)>;
        if constexpr (std::is_same_v<T, Boolean>) *p = CBool(v);
        if constexpr (std::is_same_v<T, std::int16_t>) *p = CInt(v);
        if constexpr (std::is_same_v<T, std::int32_t>) *p = CLng(v);
        if constexpr (std::is_same_v<T, float>) *p = CSng(v);
        if constexpr (std::is_same_v<T, double>) *p = CDbl(v);
        if constexpr (std::is_same_v<T, Currency>) *p = CCur(v);
        if constexpr (std::is_same_v<T, std::string>) *p = CStr(v);
        if constexpr (std::is_same_v<T, ObjectRef>) *p = objectOf(v);
      },
      cell->target);
}

ObjectRef objectOf(const Variant& v) {
  if (const auto* o = v.get<ObjectRef>()) return *o;
  throw Error::objectRequired();
}

bool Variant::holdsNumber() const {
  switch (type()) {
    case Type::Boolean:
    case Type::Integer:
    case Type::Long:
    case Type::Single:
    case Type::Double:
    case Type::Currency:
      return true;
    default:
      return false;
  }
}

const char* Variant::typeName(Type t) {
  switch (t) {
    case Type::Empty:
      return "Empty";
    case Type::Boolean:
      return "Boolean";
    case Type::Integer:
      return "Integer";
    case Type::Long:
      return "Long";
    case Type::Single:
      return "Single";
    case Type::Double:
      return "Double";
    case Type::Currency:
      return "Currency";
    case Type::String:
      return "String";
    case Type::Object:
      return "Object";
  }
  return "?";
}

std::optional<double> parseNumber(std::string_view text) {
  const std::string_view s = trim(text);
  if (s.size() >= 2 && s[0] == '&') {
    const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(s[1])));
    if (kind == 'H') return parseRadix(s.substr(2), 16);
    if (kind == 'O') return parseRadix(s.substr(2), 8);
    return std::nullopt;
  }
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  if (s.empty()) return std::nullopt;
  // A signed whole number of up to 15 digits is exact as it stands.
  const std::size_t sign = s[0] == '+' || s[0] == '-' ? 1 : 0;
  if (s.size() > sign && s.size() - sign <= 15) {
    std::uint64_t whole = 0;
    std::size_t i = sign;
    for (; i < s.size() && isDigit(s[i]); ++i)
      whole = whole * 10 + static_cast<unsigned>(s[i] - '0');
    if (i == s.size())
      return s[0] == '-' ? -static_cast<double>(whole) : static_cast<double>(whole);
  }
  // The accepted characters as a plain number for std::from_chars, without thousands
  // separators and without a leading "+".
  char plain[64];
  std::size_t length = 0;
  std::string longPlain;  // used instead when the text is longer than `plain`
  const auto put = [&](char c) {
    if (length < sizeof plain) {
      plain[length++] = c;
    } else {
      if (longPlain.empty()) longPlain.assign(plain, length);
      longPlain += c;
    }
  };
  std::size_t i = 0;
  if (s[0] == '+' || s[0] == '-') {
    if (s[0] == '-') put('-');
    ++i;
  }
  bool digits = false, nonzeroInteger = false;
  // Thousands separators: any number of commas anywhere after the first integer digit.
  for (; i < s.size() && (isDigit(s[i]) || (s[i] == ',' && digits)); ++i) {
    if (s[i] == ',') continue;
    put(s[i]);
    digits = true;
    nonzeroInteger = nonzeroInteger || s[i] != '0';
  }
  if (i < s.size() && s[i] == '.') {
    put('.');
    for (++i; i < s.size() && isDigit(s[i]); ++i) {
      put(s[i]);
      digits = true;
    }
  }
  if (!digits) return std::nullopt;
  bool negativeExponent = false;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    put('E');
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
      negativeExponent = s[i] == '-';
      put(s[i++]);
    }
    const std::size_t first = i;
    for (; i < s.size() && isDigit(s[i]); ++i) put(s[i]);
    if (i == first) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  const char* begin = longPlain.empty() ? plain : longPlain.data();
  const char* end = longPlain.empty() ? plain + length : longPlain.data() + longPlain.size();
  double value = 0;
  const auto [stop, ec] = std::from_chars(begin, end, value);
  if (ec == std::errc::result_out_of_range) {
    // Too small to hold is zero, as Basic reads it; too large is not a number.
    if (!negativeExponent && nonzeroInteger) return std::nullopt;
    return *begin == '-' ? -0.0 : 0.0;
  }
  if (ec != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

bool IsNumeric(const Variant& v) {
  if (v.isEmpty() || v.holdsNumber()) return true;
  if (const auto* s = v.get<std::string>()) return parseNumber(*s).has_value();
  return false;
}

Boolean CBool(const Variant& v) {
  if (const auto* b = v.get<Boolean>()) return *b;
  if (const auto* s = v.get<std::string>()) {
    std::string_view t = trim(*s);
    if (equalsIgnoreCase(t, "True")) return kTrue;
    if (equalsIgnoreCase(t, "False")) return kFalse;
  }
  return Boolean(numberOf(v) != 0.0);
}

double roundHalfEven(double x) {
  return std::nearbyint(x);
}

std::int16_t toInt16(double x) {
  double r = roundHalfEven(x);
  if (!(r >= -32768.0 && r <= 32767.0)) throw Error::overflow();
  return static_cast<std::int16_t>(r);
}

std::int32_t toInt32(double x) {
  double r = roundHalfEven(x);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw Error::overflow();
  return static_cast<std::int32_t>(r);
}

std::int16_t CInt(const Variant& v) {
  if (const auto* i = v.get<std::int16_t>()) return *i;
  return toInt16(numberOf(v));
}

std::int32_t CLng(const Variant& v) {
  if (const auto* i = v.get<std::int32_t>()) return *i;
  return toInt32(numberOf(v));
}

// Basic has no NaN or infinity: a Single or Double that would hold one overflows.
float CSng(const Variant& v) {
  if (const auto* f = v.get<float>()) {
    if (!std::isfinite(*f)) throw Error::overflow();
    return *f;
  }
  double d = numberOf(v);
  if (!(std::fabs(d) <= static_cast<double>(std::numeric_limits<float>::max()))) {
    throw Error::overflow();
  }
  return static_cast<float>(d);
}

double CDbl(const Variant& v) {
  const double d = numberOf(v);
  if (!std::isfinite(d)) throw Error::overflow();
  return d;
}

Currency Currency::fromDouble(double value) {
  double scaled = std::nearbyint(value * static_cast<double>(kScale));
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0)) {
    throw Error::overflow();
  }
  return fromScaled(static_cast<std::int64_t>(scaled));
}

Currency CCur(const Variant& v) {
  if (const auto* c = v.get<Currency>()) return *c;
  return Currency::fromDouble(numberOf(v));
}

std::string numberText(double x) {
  return generalText(x, 15);
}
std::string numberText(float x) {
  return generalText(static_cast<double>(x), 7);
}
std::string numberText(std::int32_t x) {
  std::string out;
  appendInteger(out, x);
  return out;
}

std::string numberText(Currency x) {
  const std::int64_t s = x.scaled();
  std::string text;
  if (s < 0) text += '-';
  const std::uint64_t mag =
      s < 0 ? 0 - static_cast<std::uint64_t>(s) : static_cast<std::uint64_t>(s);
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, mag / Currency::kScale);
  text.append(buf, end);
  if (auto frac = static_cast<unsigned>(mag % Currency::kScale); frac != 0) {
    text += '.';
    for (unsigned div = 1000; frac != 0; div /= 10) {
      text += static_cast<char>('0' + frac / div);
      frac %= div;
    }
  }
  return text;
}

std::string booleanText(Boolean b) {
  return b ? "True" : "False";
}

std::string concatText(const Variant& v) {
  if (v.type() == Variant::Type::Object) return deref(objectOf<StdFont>(v)).get_Name();
  return CStr(v);
}

std::string CStr(const Variant& v) {
  switch (v.type()) {
    case Variant::Type::Empty:
      return "";
    case Variant::Type::Boolean:
      return booleanText(*v.get<Boolean>());
    case Variant::Type::Integer:
      return numberText(std::int32_t{*v.get<std::int16_t>()});
    case Variant::Type::Long:
      return numberText(*v.get<std::int32_t>());
    case Variant::Type::Single:
      return numberText(*v.get<float>());
    case Variant::Type::Double:
      return numberText(*v.get<double>());
    case Variant::Type::Currency:
      return numberText(*v.get<Currency>());
    case Variant::Type::String:
      return *v.get<std::string>();
    case Variant::Type::Object:
      break;
  }
  throw Error::typeMismatch();
}

}  // namespace kadrelle
