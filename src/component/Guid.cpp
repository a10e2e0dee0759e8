#include "component/Guid.h"

#include <cstdio>

namespace kadrelle::com {

std::string Guid::text() const {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(data1), data2, data3, data4[0], data4[1], data4[2], data4[3],
                data4[4], data4[5], data4[6], data4[7]);
  return buf;
}

std::array<std::uint8_t, 16> Guid::bytes() const {
  std::array<std::uint8_t, 16> b{};
  for (int i = 0; i < 4; ++i) b[i] = static_cast<std::uint8_t>(data1 >> (8 * i));
  for (int i = 0; i < 2; ++i) b[4 + i] = static_cast<std::uint8_t>(data2 >> (8 * i));
  for (int i = 0; i < 2; ++i) b[6 + i] = static_cast<std::uint8_t>(data3 >> (8 * i));
  for (int i = 0; i < 8; ++i) b[8 + i] = data4[i];
  return b;
}

bool Guid::parse(std::string_view s, Guid& out) {
  if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
  if (s.size() != 36) return false;
  std::uint8_t nibbles[32];
  int n = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (c != '-') return false;
      continue;
    }
    int d = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                   : -1;
    if (d < 0) return false;
    nibbles[n++] = static_cast<std::uint8_t>(d);
  }
  auto take = [&](int from, int count) {
    std::uint32_t v = 0;
    for (int i = from; i < from + count; ++i) v = v * 16 + nibbles[i];
    return v;
  };
  out.data1 = take(0, 8);
  out.data2 = static_cast<std::uint16_t>(take(8, 4));
  out.data3 = static_cast<std::uint16_t>(take(12, 4));
  for (int i = 0; i < 8; ++i) out.data4[i] = static_cast<std::uint8_t>(take(16 + 2 * i, 2));
  return true;
}

}  // namespace kadrelle::com
