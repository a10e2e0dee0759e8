// Feeds arbitrary format strings and typed entries to the number format, the entry parser and
// the edit box. Input: format text, a NUL byte, then the typed entry.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ombrel/EntryParser.h"
#include "ombrel/OmbrelEditBox.h"
#include "platform/Error.h"
#include "platform/NumberFormat.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kadrelle;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find('\0');
  std::string_view formatText = input.substr(0, split);
  std::string_view entry = split == std::string_view::npos ? input : input.substr(split + 1);

  NumberFormat format(formatText);
  std::string out;
  static constexpr double kValues[] = {0.0,    -0.0,     1.0,       -1.0,        0.5,   -2.5,
                                       1234.5, -1e-300,  1e300,     -1.797e308,  9.995, 0.0001,
                                       NAN,    INFINITY, -INFINITY, 4294967295.0};
  for (double v : kValues) {
    format.format(v, out);
    NumberFormat::formatHex(v, static_cast<std::int32_t>(size % 12) - 2, out);
  }

  auto decimal = EntryParser::parseDecimal(entry);
  auto hex = EntryParser::parseHex(entry);
  if (decimal) {
    check(std::isfinite(*decimal));
    format.format(*decimal, out);
  }
  if (hex) check(*hex >= 0 && *hex <= 4294967295.0);

  // The same entry typed into a box with that format, then finished.
  OmbrelEditBox box;
  box.put_FormatString(std::string(formatText));
  box.put_UseLimits(kTrue);
  box.put_MinValue(-1000);
  box.put_MaxValue(1e6);
  box.put_SignLock(Variant(Boolean(size % 2 == 0)));
  box.put_HexMode(Boolean(size % 3 == 0));
  box.put_InitializeValue(-5.0);
  box.typeText(entry.substr(0, 512));
  box.typeText("\n");
  Variant value = box.get_Value();
  if (const double* d = value.get<double>()) check(*d >= -1000 && *d <= 1e6);
  check(box.get_SelStart() <= static_cast<std::int32_t>(box.get_Text().size()));
  try {
    box.put_Value(Variant(std::string(entry.substr(0, 512))));
  } catch (const Error&) {
  }
  return 0;
}
