#include "platform/Variant.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/Error.h"
#include "platform/StdFont.h"
#include "platform/Text.h"

namespace kadrelle {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::optional<double> parseRadix(std::string_view digits, int radix) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (radix == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
      d = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    } else {
      return std::nullopt;
    }
    if (d >= radix) return std::nullopt;
    value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
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

std::string formatG(double x, int digits) {
  if (x == 0.0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*G", digits, x);
  return buf;
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
  std::string_view s = trimBlanks(text);
  if (s.size() >= 2 && s[0] == '&') {
    char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(s[1])));
    if (kind == 'H') return parseRadix(s.substr(2), 16);
    if (kind == 'O') return parseRadix(s.substr(2), 8);
    return std::nullopt;
  }
  // Copy the accepted characters into a plain C number, dropping thousands separators.
  std::string plain;
  plain.reserve(s.size());
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) plain += s[i++];
  bool digits = false;
  bool lastWasDigit = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      plain += c;
      digits = lastWasDigit = true;
    } else if (c == ',' && lastWasDigit && i + 1 < s.size() &&
               std::isdigit(static_cast<unsigned char>(s[i + 1]))) {
      lastWasDigit = false;
    } else {
      break;
    }
  }
  if (i < s.size() && s[i] == '.') {
    plain += s[i++];
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
      plain += s[i];
      digits = true;
    }
  }
  if (!digits) return std::nullopt;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    plain += 'E';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) plain += s[i++];
    bool expDigits = false;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
      plain += s[i];
      expDigits = true;
    }
    if (!expDigits) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  double value = std::strtod(plain.c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
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
    std::string_view t = trimBlanks(*s);
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

float CSng(const Variant& v) {
  if (const auto* f = v.get<float>()) return *f;
  double d = numberOf(v);
  if (std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max())) {
    throw Error::overflow();
  }
  return static_cast<float>(d);
}

double CDbl(const Variant& v) {
  return numberOf(v);
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
  return formatG(x, 15);
}
std::string numberText(float x) {
  return formatG(static_cast<double>(x), 7);
}
std::string numberText(std::int32_t x) {
  return std::to_string(x);
}

std::string numberText(Currency x) {
  std::int64_t s = x.scaled();
  bool negative = s < 0;
  std::uint64_t mag = negative ? 0 - static_cast<std::uint64_t>(s) : static_cast<std::uint64_t>(s);
  std::string text = std::to_string(mag / Currency::kScale);
  std::uint64_t frac = mag % Currency::kScale;
  if (frac != 0) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04u", static_cast<unsigned>(frac));
    std::string f = buf;
    while (f.back() == '0') f.pop_back();
    text += '.' + f;
  }
  return negative ? '-' + text : text;
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
      return std::to_string(*v.get<std::int16_t>());
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
