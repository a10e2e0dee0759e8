#pragma once

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Characters in UTF-8 text (code points; continuation bytes are not counted).
inline std::int32_t utf8Length(std::string_view text) {
  std::int32_t n = 0;
  for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// Basic's Replace: every occurrence of `what`, found scanning the original text left to right
// without overlaps, replaced by `with`. appendReplacing appends the result to out.
inline void appendReplacing(std::string& out, std::string_view text, std::string_view what,
                            std::string_view with) {
  std::size_t pos = 0;
  while (true) {
    std::size_t hit = text.find(what, pos);
    if (hit == std::string_view::npos || what.empty()) break;
    out.append(text, pos, hit - pos);
    out += with;
    pos = hit + what.size();
  }
  out.append(text, pos);
}

inline std::string replaceAll(std::string_view text, std::string_view what, std::string_view with) {
  std::string out;
  out.reserve(text.size());
  appendReplacing(out, text, what, with);
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

// The text without the given characters at either end (by default blanks: space and tab).
inline std::string_view trim(std::string_view text, std::string_view chars = " \t") {
  const std::size_t first = text.find_first_not_of(chars);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(chars) - first + 1);
}

// The value of one hexadecimal digit (either letter case), or -1 for any other character.
constexpr int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "0x" and eight upper-case hexadecimal digits, as registry and type-library texts write numbers.
inline std::string hex32(std::uint32_t v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s = "0x00000000";
  for (std::size_t i = 9; v != 0; --i, v >>= 4) s[i] = kDigits[v & 0xF];
  return s;
}

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the UTF-8 sequence at text[i] and moves i past it. A byte that does not start a valid
// sequence (stray continuation byte, truncated, overlong or surrogate sequence, beyond U+10FFFF)
// gives U+FFFD and moves i by that one byte only.
inline char32_t decodeUtf8(std::string_view text, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  std::size_t extra;
  char32_t cp, min;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1Fu, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0Fu, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07u, min = 0x10000;
  } else {
    ++i;
    return kReplacementCharacter;
  }
  if (i + extra >= text.size()) {
    ++i;
    return kReplacementCharacter;
  }
  for (std::size_t k = 1; k <= extra; ++k) {
    const unsigned char c = byte(i + k);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return kReplacementCharacter;
    }
    cp = (cp << 6) | (c & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return kReplacementCharacter;
  }
  i += extra + 1;
  return cp;
}

// Length of the valid UTF-8 sequence at text[i] (1 for ASCII), or 0 when none starts there.
inline std::size_t validUtf8Length(std::string_view text, std::size_t i) {
  std::size_t next = i;
  const char32_t cp = decodeUtf8(text, next);
  return cp == kReplacementCharacter && next == i + 1 ? 0 : next - i;
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
#pragma GCC visibility pop
