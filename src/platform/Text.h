#pragma once

#include <cctype>
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

// ASCII letters compared without regard to case; other bytes must match exactly.
inline bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// Appends one code point as UTF-8 (the caller passes code points below 0x110000).
inline void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace kadrelle
