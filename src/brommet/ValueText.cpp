#include "brommet/ValueText.h"

#include <cmath>
#include <cstdio>

#include "platform/Variant.h"

namespace kadrelle {

std::string ValueText::format(double value, std::string_view numberFormat,
                              std::int32_t displayBase) {
  if (displayBase == 1) {
    auto bits = static_cast<std::uint32_t>(static_cast<std::int64_t>(std::llround(value)));
    char buf[16];
    std::snprintf(buf, sizeof buf, "&H%X", static_cast<unsigned>(bits));
    return buf;
  }
  if (numberFormat.empty() || !std::isfinite(value)) return numberText(value);

  const auto point = numberFormat.find('.');
  const std::string_view whole = numberFormat.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : numberFormat.substr(point + 1);
  const bool grouping = whole.find(',') != std::string_view::npos;
  int minWhole = 0;
  for (char c : whole) minWhole += c == '0';
  int maxDecimals = 0, minDecimals = 0;
  for (char c : fraction) {
    if (c == '0' || c == '#') ++maxDecimals;
    if (c == '0') minDecimals = maxDecimals;
  }

  // Round half away from zero at the last decimal shown.
  const double factor = std::pow(10.0, maxDecimals);
  const double rounded = std::round(std::fabs(value) * factor);
  char digits[64];
  std::snprintf(digits, sizeof digits, "%.0f", rounded);
  std::string all = digits;
  if (static_cast<int>(all.size()) <= maxDecimals)
    all.insert(0, static_cast<std::size_t>(maxDecimals) + 1 - all.size(), '0');
  std::string intPart = all.substr(0, all.size() - static_cast<std::size_t>(maxDecimals));
  std::string fracPart = all.substr(all.size() - static_cast<std::size_t>(maxDecimals));
  while (static_cast<int>(fracPart.size()) > minDecimals && fracPart.back() == '0')
    fracPart.pop_back();
  // Leading zeros: as many as the format asks for, none otherwise.
  while (intPart.size() > 1 && intPart.front() == '0' &&
         static_cast<int>(intPart.size()) > minWhole)
    intPart.erase(0, 1);
  if (intPart == "0" && minWhole == 0) intPart.clear();
  while (static_cast<int>(intPart.size()) < minWhole) intPart.insert(0, "0");
  if (grouping) {
    for (int i = static_cast<int>(intPart.size()) - 3; i > 0; i -= 3)
      intPart.insert(static_cast<std::size_t>(i), ",");
  }

  std::string out;
  const bool zero = rounded == 0;
  if (value < 0 && !zero) out += '-';
  out += intPart;
  if (!fracPart.empty()) out += '.' + fracPart;
  if (out.empty() || out == "-") out = "0";
  return out;
}

bool ValueText::isPrintable(std::string_view text) {
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u > 0x7E) return false;
  }
  return true;
}

}  // namespace kadrelle
