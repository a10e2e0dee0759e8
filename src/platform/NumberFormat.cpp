#include "platform/NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "platform/DecimalDigits.h"
#include "platform/Text.h"
#include "platform/Variant.h"

namespace kadrelle {

namespace {

// Bytes of the character that starts at text[i] (1 for a byte that starts no valid UTF-8).
std::size_t sequenceLength(std::string_view text, std::size_t i) {
  return std::max<std::size_t>(1, validUtf8Length(text, i));
}

// Splits at ";" outside quotes and escapes. Returns the number of sections (may exceed max).
int splitSections(std::string_view format, std::string_view* parts, int max) {
  int count = 0;
  std::size_t start = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (quoted) {
      if (c == '"') quoted = false;
    } else if (c == '"') {
      quoted = true;
    } else if (c == '\\') {
      ++i;
    } else if (c == ';') {
      if (count < max) parts[count] = format.substr(start, i - start);
      ++count;
      start = i + 1;
    }
  }
  if (count < max) parts[count] = format.substr(std::min(start, format.size()));
  return count + 1;
}

}  // namespace

NumberFormat::Compiled::Compiled(std::string_view format) : source_(format) {
  wellFormed_ = compile(format);
  if (!wellFormed_) {
    useDefault_ = true;
    sections_.clear();
    literals_.clear();
  }
}

bool NumberFormat::Compiled::compile(std::string_view format) {
  static constexpr std::pair<std::string_view, std::string_view> kNamed[] = {
      {"General Number", ""},
      {"Currency", "$#,##0.00;($#,##0.00)"},
      {"Fixed", "0.00"},
      {"Standard", "#,##0.00"},
      {"Percent", "0.00%"},
      {"Scientific", "0.00E+00"},
      {"Yes/No", "\"Yes\";\"Yes\";\"No\""},
      {"True/False", "\"True\";\"True\";\"False\""},
      {"On/Off", "\"On\";\"On\";\"Off\""},
  };
  for (const auto& [name, meaning] : kNamed) {
    if (equalsIgnoreCase(format, name)) {
      format = meaning;
      break;
    }
  }
  useDefault_ = format.empty();
  if (useDefault_) return true;
  std::string_view parts[4];
  const int count = splitSections(format, parts, 4);
  if (count > 4) return false;
  sections_.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    if (!compileSection(parts[i], sections_[static_cast<std::size_t>(i)])) return false;
  }
  return true;
}

bool NumberFormat::Compiled::compileSection(std::string_view text, Section& s) {
  enum Phase { kInt, kFrac, kExp } phase = kInt;
  s.empty = text.empty();
  int firstIntZero = -1;
  std::vector<std::size_t> pendingCommas;

  auto addLiteral = [&](std::string_view lit) {
    if (lit.empty()) return;
    if (!s.tokens.empty() && s.tokens.back().kind == Kind::Literal &&
        s.tokens.back().begin + s.tokens.back().length == literals_.size()) {
      s.tokens.back().length += static_cast<std::uint32_t>(lit.size());
    } else {
      s.tokens.push_back({Kind::Literal, false, 0, static_cast<std::uint32_t>(literals_.size()),
                          static_cast<std::uint32_t>(lit.size())});
    }
    literals_.append(lit);
  };
  // Commas left after the last integer placeholder divide by 1000.
  auto endIntegerPart = [&] {
    for (std::size_t index : pendingCommas) {
      s.tokens[index].kind = Kind::Scale;
      ++s.scales;
    }
    pendingCommas.clear();
  };

  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      std::size_t close = text.find('"', i + 1);
      if (close == std::string_view::npos) return false;
      addLiteral(text.substr(i + 1, close - i - 1));
      i = close;
    } else if (c == '\\') {
      if (i + 1 >= text.size()) return false;
      std::size_t len = sequenceLength(text, i + 1);
      addLiteral(text.substr(i + 1, len));
      i += len;
    } else if (c == '0' || c == '#') {
      bool zero = c == '0';
      s.tokens.push_back({Kind::Digit, zero, static_cast<char>(phase), 0, 0});
      if (phase == kInt) {
        for (std::size_t index : pendingCommas) s.tokens[index].kind = Kind::Group;
        if (!pendingCommas.empty()) s.grouping = true;
        pendingCommas.clear();
        if (zero && firstIntZero < 0) firstIntZero = s.intPlaces;
        ++s.intPlaces;
      } else if (phase == kFrac) {
        if (zero) s.lastFracZero = s.fracPlaces;
        ++s.fracPlaces;
      } else {
        s.expZeros += zero;
        ++s.expPlaces;
      }
    } else if (c == '.' && phase == kInt) {
      endIntegerPart();
      s.tokens.push_back({Kind::Point, false, 0, 0, 0});
      phase = kFrac;
    } else if (c == ',' && phase == kInt && s.intPlaces > 0) {
      // Grouping or scaling, decided by what follows; neither shows anything itself.
      pendingCommas.push_back(s.tokens.size());
      s.tokens.push_back({Kind::Scale, false, 0, 0, 0});
    } else if (c == '%') {
      ++s.percents;
      addLiteral("%");
    } else if ((c == 'E' || c == 'e') && phase != kExp && i + 1 < text.size() &&
               (text[i + 1] == '+' || text[i + 1] == '-')) {
      endIntegerPart();
      s.tokens.push_back({Kind::Exponent, text[i + 1] == '+', c, 0, 0});
      s.scientific = true;
      phase = kExp;
      ++i;
    } else {
      addLiteral(text.substr(i, sequenceLength(text, i)));
      i += sequenceLength(text, i) - 1;
    }
  }
  endIntegerPart();
  s.highestIntZero = firstIntZero < 0 ? -1 : s.intPlaces - 1 - firstIntZero;
  return true;
}

NumberFormat::NumberFormat(std::string_view format) {
  if (format.empty()) return;
  // Formats of the same text share one compilation. Entries whose formats are all gone are
  // swept out once the table has doubled since the last sweep.
  static std::mutex mutex;
  static auto& table = *new std::unordered_map<std::string, std::weak_ptr<const Compiled>>;
  static std::size_t sweepAt = 64;
  std::lock_guard lock(mutex);
  std::weak_ptr<const Compiled>& entry = table[std::string(format)];
  if ((c_ = entry.lock())) return;
  c_ = std::make_shared<const Compiled>(format);
  entry = c_;
  if (table.size() >= sweepAt) {
    std::erase_if(table, [](const auto& e) { return e.second.expired(); });
    sweepAt = std::max<std::size_t>(64, 2 * table.size());
  }
}

const std::string& NumberFormat::source() const {
  static const std::string kEmpty;
  return c_ ? c_->source_ : kEmpty;
}

void NumberFormat::format(double value, std::string& out) const {
  if (!c_) {
    out = numberText(value);
    return;
  }
  c_->format(value, out);
}

std::string NumberFormat::format(double value) const {
  std::string out;
  format(value, out);
  return out;
}

void NumberFormat::Compiled::format(double value, std::string& out) const {
  if (useDefault_ || !std::isfinite(value)) {
    out = numberText(value);
    return;
  }
  const Section* s = &sections_[0];
  bool minus = false;
  double magnitude = value;
  if (value < 0) {
    magnitude = -value;
    if (sections_.size() >= 2 && !sections_[1].empty) {
      s = &sections_[1];
    } else {
      minus = true;
    }
  } else if (value == 0 && sections_.size() >= 3 && !sections_[2].empty) {
    s = &sections_[2];
  }
  for (int i = 0; i < s->percents && std::isfinite(magnitude); ++i) magnitude *= 100;
  for (int i = 0; i < s->scales; ++i) magnitude /= 1000;
  if (!std::isfinite(magnitude)) {
    out = numberText(value);
    return;
  }
  out.clear();
  formatSection(*s, magnitude, minus, out);
}

void NumberFormat::Compiled::formatSection(const Section& s, double magnitude, bool minus,
                                           std::string& out) const {
  // The value's 15 significant digits, the precision Basic formats with: 2.345 is 2.345 here, so
  // "0.00" rounds it up, whatever binary number is nearest to 2.345.
  DecimalDigits dec = DecimalDigits::of(magnitude, 15);
  int exponent = 0;
  if (s.scientific) {
    if (dec.n > 0) {
      dec.roundTo(std::max(1, s.intPlaces + s.fracPlaces));
      exponent = dec.point - s.intPlaces;
      dec.point = s.intPlaces;
    }
  } else {
    dec.roundTo(dec.point + s.fracPlaces);
  }
  if (dec.n == 0) minus = false;  // nothing but zeros shown: no sign

  const int intDigits = dec.n > 0 ? std::max(0, dec.point) : 0;
  const int shownInt = std::max(intDigits, s.highestIntZero + 1);
  const int lastNonZeroFrac = dec.n > 0 ? dec.n - 1 - dec.point : -1;
  const int shownFrac = std::min(s.fracPlaces, std::max(lastNonZeroFrac, s.lastFracZero) + 1);

  char expDigits[12];
  int expCount = 0;
  for (int e = std::abs(exponent); e > 0; e /= 10)
    expDigits[expCount++] = static_cast<char>('0' + e % 10);
  // The exponent shows at least one digit per "0" placeholder, or one digit without placeholders.
  const int shownExp = std::max(expCount, s.expPlaces == 0 ? 1 : s.expZeros);

  auto emitInt = [&](int place) {
    out += dec.digitAt(place);
    if (s.grouping && place > 0 && place % 3 == 0) out += ',';
  };
  auto emitAllInt = [&](int downTo) {
    for (int place = shownInt - 1; place >= downTo; --place) emitInt(place);
  };

  if (minus) out += '-';
  int intIndex = 0, fracIndex = 0, expIndex = 0;
  for (const Token& t : s.tokens) {
    switch (t.kind) {
      case Kind::Literal:
        out.append(literals_, t.begin, t.length);
        break;
      case Kind::Digit:
        if (t.letter == 0) {
          int place = s.intPlaces - 1 - intIndex++;
          if (place == s.intPlaces - 1) emitAllInt(place + 1);  // digits beyond the placeholders
          if (place < shownInt) emitInt(place);
        } else if (t.letter == 1) {
          int j = fracIndex++;
          if (j < shownFrac) out += dec.digitAt(-(j + 1));
        } else {
          int place = s.expPlaces - 1 - expIndex++;
          if (place == s.expPlaces - 1) {
            for (int p = shownExp - 1; p > place; --p) out += p < expCount ? expDigits[p] : '0';
          }
          if (place < shownExp) out += place < expCount ? expDigits[place] : '0';
        }
        break;
      case Kind::Point:
        if (s.intPlaces == 0) emitAllInt(0);
        if (shownFrac > 0 || s.fracPlaces == 0) out += '.';
        break;
      case Kind::Exponent:
        out += t.letter;
        if (exponent < 0) {
          out += '-';
        } else if (t.zero) {
          out += '+';
        }
        if (s.expPlaces == 0) {
          for (int p = shownExp - 1; p >= 0; --p) out += p < expCount ? expDigits[p] : '0';
        }
        break;
      case Kind::Group:
      case Kind::Scale:
        break;
    }
  }
}

void NumberFormat::formatHex(double value, std::int32_t digits, std::string& out) {
  if (!std::isfinite(value)) {
    out = numberText(value);
    return;
  }
  double r = roundHalfEven(value);
  if (r < -2147483648.0 || r > 4294967295.0) {
    out = numberText(value);
    return;
  }
  std::uint32_t u = r < 0 ? static_cast<std::uint32_t>(static_cast<std::int32_t>(r))
                          : static_cast<std::uint32_t>(r);
  int width = std::clamp(digits, 1, 8);
  char buf[8];
  int n = 0;
  do {
    buf[n++] = "0123456789ABCDEF"[u & 0xF];
    u >>= 4;
  } while (u != 0);
  out.clear();
  for (int i = n; i < width; ++i) out += '0';
  while (n > 0) out += buf[--n];
}

std::int32_t NumberFormat::hexDigitsFor(double range) {
  if (!(range > 0)) return 4;
  return toInt32(std::floor((std::log(range) / std::log(2.0) + 3) / 4));
}

std::string NumberFormat::formatHex(double value, std::int32_t digits) {
  std::string out;
  formatHex(value, digits, out);
  return out;
}

}  // namespace kadrelle
