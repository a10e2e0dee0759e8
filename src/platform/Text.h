#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kadrelle {

// Characters in UTF-8 text (code points; continuation bytes are not counted).
inline std::int32_t utf8Length(std::string_view text) {
  std::int32_t n = 0;
  for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// Basic's Replace: every occurrence of `what`, found scanning the original text left to right
// without overlaps, replaced by `with`.
inline std::string replaceAll(std::string_view text, std::string_view what, std::string_view with) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (true) {
    std::size_t hit = text.find(what, pos);
    if (hit == std::string_view::npos || what.empty()) break;
    out.append(text, pos, hit - pos);
    out += with;
    pos = hit + what.size();
  }
  out.append(text, pos);
  return out;
}

}  // namespace kadrelle
