#include "brommet/ValueText.h"

#include "platform/NumberFormat.h"
#include "platform/Variant.h"

namespace kadrelle {

std::string ValueText::format(double value, std::string_view numberFormat,
                              std::int32_t displayBase) {
  // The hexadecimal form needs no format.
  return format(value, displayBase == 1 ? NumberFormat() : NumberFormat(numberFormat), displayBase);
}

std::string ValueText::format(double value, const NumberFormat& numberFormat,
                              std::int32_t displayBase) {
  if (displayBase == 1) {
    // Out of the 32-bit range the hexadecimal form falls back to the decimal text.
    const double whole = roundHalfEven(value);
    if (!(whole >= -2147483648.0 && whole <= 4294967295.0)) return numberText(value);
    return "&H" + NumberFormat::formatHex(value, 1);
  }
  return numberFormat.format(value);
}

bool ValueText::isPrintable(std::string_view text) {
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u > 0x7E) return false;
  }
  return true;
}

}  // namespace kadrelle
