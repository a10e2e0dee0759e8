// Feeds arbitrary values to the Basic conversions of Variant: the first byte picks the type the
// rest of the input is read as (text, or the bytes of a number). Every conversion must give a
// value or refuse with overflow (6) or type mismatch (13), never crash; a whole number written
// as text must read back as itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Error.h"
#include "platform/Variant.h"

namespace {

using namespace kadrelle;

template <class T>
T bytesAs(const std::uint8_t* data, std::size_t size) {
  T value{};
  std::memcpy(&value, data, size < sizeof(T) ? size : sizeof(T));
  return value;
}

Variant variantFrom(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return Variant();
  const std::uint8_t* rest = data + 1;
  const std::size_t n = size - 1;
  switch (data[0] % 8) {
    case 0:
      return Variant(Boolean(n > 0 && rest[0] % 2 == 1));
    case 1:
      return Variant(bytesAs<std::int16_t>(rest, n));
    case 2:
      return Variant(bytesAs<std::int32_t>(rest, n));
    case 3:
      return Variant(bytesAs<float>(rest, n));
    case 4:
      return Variant(bytesAs<double>(rest, n));
    case 5:
      return Variant(Currency::fromScaled(bytesAs<std::int64_t>(rest, n)));
    case 6:
      return Variant();
    default:
      return Variant(std::string(reinterpret_cast<const char*>(rest), n));
  }
}

// Runs one conversion; only overflow and type mismatch may refuse it.
template <class Convert>
void convert(Convert c) {
  try {
    c();
  } catch (const Error& e) {
    if (e.number() != Error::kOverflow && e.number() != Error::kTypeMismatch) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Variant v = variantFrom(data, size);
  convert([&] { (void)IsNumeric(v); });
  convert([&] { (void)CBool(v); });
  convert([&] { (void)CInt(v); });
  convert([&] { (void)CSng(v); });
  convert([&] { (void)CDbl(v); });
  convert([&] { (void)CCur(v); });
  convert([&] { (void)CStr(v); });
  convert([&] { (void)concatText(v); });
  convert([&] {
    const std::int32_t n = CLng(v);
    if (CLng(Variant(CStr(Variant(n)))) != n) std::abort();
  });
  if (const auto* text = v.get<std::string>()) (void)parseNumber(*text);
  return 0;
}
