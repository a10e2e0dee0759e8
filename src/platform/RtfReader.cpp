#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RtfDocument.h"
#include "platform/Text.h"

namespace kadrelle {

namespace {

constexpr std::size_t kMaxDepth = 200;
constexpr int kDefaultHalfPoints = 24;
constexpr char32_t kReplacement = kReplacementCharacter;

// Windows-1252 bytes 0x80 to 0x9F; the five unassigned ones keep their value, as Windows does.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
enum class Word {
  Bin,
  Bold,
  Bullet,
  Deff,
  Emdash,
  Endash,
  Font,
  FontCharset,
  FontSize,
  FontTable,
  Hidden,
  Italic,
  LeftDoubleQuote,
  LeftQuote,
  Line,
  Par,
  Pard,
  Plain,
  AlignCenter,
  AlignJustify,
  AlignLeft,
  AlignRight,
  RightDoubleQuote,
  RightQuote,
  SkipDestination,
  Strike,
  Tab,
  CodePage,
  Unicode,
  UnicodeSkip,
  Underline,
  UnderlineNone,
};

struct WordEntry {
  std::string_view name;
  Word word;
};

// Sorted by name for binary search.
constexpr WordEntry kWords[] = {
    {"aftncn", Word::SkipDestination},
    {"aftnsep", Word::SkipDestination},
    {"aftnsepc", Word::SkipDestination},
    {"annotation", Word::SkipDestination},
    {"ansicpg", Word::CodePage},
    {"atnauthor", Word::SkipDestination},
    {"atndate", Word::SkipDestination},
    {"atnicn", Word::SkipDestination},
    {"atnid", Word::SkipDestination},
    {"atnparent", Word::SkipDestination},
    {"atnref", Word::SkipDestination},
    {"atntime", Word::SkipDestination},
    {"atrfend", Word::SkipDestination},
    {"atrfstart", Word::SkipDestination},
    {"author", Word::SkipDestination},
    {"b", Word::Bold},
    {"background", Word::SkipDestination},
    {"bin", Word::Bin},
    {"bkmkend", Word::SkipDestination},
    {"bkmkstart", Word::SkipDestination},
    {"bullet", Word::Bullet},
    {"buptim", Word::SkipDestination},
    {"category", Word::SkipDestination},
    {"colortbl", Word::SkipDestination},
    {"comment", Word::SkipDestination},
    {"company", Word::SkipDestination},
    {"creatim", Word::SkipDestination},
    {"datafield", Word::SkipDestination},
    {"deff", Word::Deff},
    {"doccomm", Word::SkipDestination},
    {"docvar", Word::SkipDestination},
    {"emdash", Word::Emdash},
    {"endash", Word::Endash},
    {"f", Word::Font},
    {"fcharset", Word::FontCharset},
    {"filetbl", Word::SkipDestination},
    {"fldinst", Word::SkipDestination},
    {"fonttbl", Word::FontTable},
    {"footer", Word::SkipDestination},
    {"footerf", Word::SkipDestination},
    {"footerl", Word::SkipDestination},
    {"footerr", Word::SkipDestination},
    {"footnote", Word::SkipDestination},
    {"fs", Word::FontSize},
    {"ftncn", Word::SkipDestination},
    {"ftnsep", Word::SkipDestination},
    {"ftnsepc", Word::SkipDestination},
    {"header", Word::SkipDestination},
    {"headerf", Word::SkipDestination},
    {"headerl", Word::SkipDestination},
    {"headerr", Word::SkipDestination},
    {"i", Word::Italic},
    {"info", Word::SkipDestination},
    {"keywords", Word::SkipDestination},
    {"ldblquote", Word::LeftDoubleQuote},
    {"line", Word::Line},
    {"listoverridetable", Word::SkipDestination},
    {"listtable", Word::SkipDestination},
    {"lquote", Word::LeftQuote},
    {"manager", Word::SkipDestination},
    {"nonshppict", Word::SkipDestination},
    {"objdata", Word::SkipDestination},
    {"object", Word::SkipDestination},
    {"operator", Word::SkipDestination},
    {"par", Word::Par},
    {"pard", Word::Pard},
    {"pict", Word::SkipDestination},
    {"plain", Word::Plain},
    {"pntext", Word::SkipDestination},
    {"pntxta", Word::SkipDestination},
    {"pntxtb", Word::SkipDestination},
    {"printim", Word::SkipDestination},
    {"private", Word::SkipDestination},
    {"qc", Word::AlignCenter},
    {"qd", Word::AlignJustify},
    {"qj", Word::AlignJustify},
    {"ql", Word::AlignLeft},
    {"qr", Word::AlignRight},
    {"rdblquote", Word::RightDoubleQuote},
    {"revtbl", Word::SkipDestination},
    {"revtim", Word::SkipDestination},
    {"rquote", Word::RightQuote},
    {"rsidtbl", Word::SkipDestination},
    {"rxe", Word::SkipDestination},
    {"shp", Word::SkipDestination},
    {"strike", Word::Strike},
    {"striked", Word::Strike},
    {"stylesheet", Word::SkipDestination},
    {"subject", Word::SkipDestination},
    {"tab", Word::Tab},
    {"tc", Word::SkipDestination},
    {"template", Word::SkipDestination},
    {"title", Word::SkipDestination},
    {"txe", Word::SkipDestination},
    {"u", Word::Unicode},
    {"uc", Word::UnicodeSkip},
    {"ul", Word::Underline},
    {"uld", Word::Underline},
    {"uldash", Word::Underline},
    {"uldashd", Word::Underline},
    {"uldashdd", Word::Underline},
    {"uldb", Word::Underline},
    {"ulhwave", Word::Underline},
    {"ulldash", Word::Underline},
    {"ulnone", Word::UnderlineNone},
    {"ulth", Word::Underline},
    {"ulthd", Word::Underline},
    {"ulthdash", Word::Underline},
    {"ulthdashd", Word::Underline},
    {"ulthdashdd", Word::Underline},
    {"ulthldash", Word::Underline},
    {"ululdbwave", Word::Underline},
    {"ulw", Word::Underline},
    {"ulwave", Word::Underline},
    {"userprops", Word::SkipDestination},
    {"v", Word::Hidden},
    {"xe", Word::SkipDestination},
    {"xmlnstbl", Word::SkipDestination},
};

static_assert(std::is_sorted(std::begin(kWords), std::end(kWords),
                             [](const WordEntry& a, const WordEntry& b) {
                               return a.name < b.name;
                             }));

const Word* findWord(std::string_view name) {
  auto it = std::lower_bound(std::begin(kWords), std::end(kWords), name,
                             [](const WordEntry& e, std::string_view n) { return e.name < n; });
  return it != std::end(kWords) && it->name == name ? &it->word : nullptr;
}

enum class Destination : unsigned char { Text, FontTable, Skip };

struct CharFormat {
  int font = 0;
  int halfPoints = kDefaultHalfPoints;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike = false;
  bool hidden = false;
};

struct State {
  CharFormat chars;
  RtfAlignment alignment = RtfAlignment::Left;
  Destination destination = Destination::Text;
  int unicodeSkip = 1;
};

bool sameFormat(const RtfRun& run, const CharFormat& f) {
  return run.font == f.font && run.halfPoints == f.halfPoints && run.bold == f.bold &&
         run.italic == f.italic && run.underline == f.underline && run.strike == f.strike;
}

class Reader {
 public:
  explicit Reader(std::string_view rtf) : in_(rtf) {}

  RtfDocument read() {
    while (pos_ < in_.size()) {
      const bool afterBrace = afterBrace_;
      afterBrace_ = false;
      char c = in_[pos_];
      if (c == '{') {
        ++pos_;
        openGroup();
        afterBrace_ = true;
      } else if (c == '}') {
        ++pos_;
        if (closeGroup()) break;
      } else if (c == '\\') {
        ++pos_;
        readControl(afterBrace);
      } else if (c == '\r' || c == '\n') {
        ++pos_;
      } else {
        readText();
      }
    }
    finish();
    return std::move(doc_);
  }

 private:
  bool skipping() const { return overflow_ > 0 || state_.destination == Destination::Skip; }

  void openGroup() {
    pendingSkip_ = 0;
    if (overflow_ > 0 || stack_.size() >= kMaxDepth) {
      ++overflow_;
      return;
    }
    stack_.push_back(state_);
  }

  // Returns true when the outermost group closed: the document ends there.
  bool closeGroup() {
    pendingSkip_ = 0;
    if (overflow_ > 0) {
      --overflow_;
      return false;
    }
    if (stack_.empty()) return false;  // a stray brace before the document
    flushSurrogate();
    if (state_.destination == Destination::FontTable) commitFont();
    if (stack_.size() == 1) return true;
    state_ = stack_.back();
    stack_.pop_back();
    return false;
  }

  void finish() {
    flushSurrogate();
    commitFont();
    if (!paragraph_.runs.empty()) endParagraph();
  }

  // Counts one fallback character of the last "\u"; true when this one is to be dropped.
  bool consumeFallback() {
    if (pendingSkip_ <= 0) return false;
    --pendingSkip_;
    return true;
  }

  void readText() {
    std::size_t start = pos_;
    while (pos_ < in_.size()) {
      char c = in_[pos_];
      if (c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n') break;
      ++pos_;
    }
    if (skipping()) return;
    std::string_view span = in_.substr(start, pos_ - start);
    while (!span.empty() && pendingSkip_ > 0) {
      span.remove_prefix(1);
      --pendingSkip_;
    }
    // Plain ASCII goes through in stretches; other bytes one character at a time.
    while (!span.empty()) {
      std::size_t plain = 0;
      while (plain < span.size()) {
        unsigned char b = static_cast<unsigned char>(span[plain]);
        if (b == 0 || b >= 0x80 || (b == ';' && state_.destination == Destination::FontTable))
          break;
        ++plain;
      }
      if (plain > 0) {
        emit(span.substr(0, plain));
        span.remove_prefix(plain);
        continue;
      }
      unsigned char b = static_cast<unsigned char>(span[0]);
      if (b == 0) {
        span.remove_prefix(1);
      } else if (b == ';') {
        commitFont();
        span.remove_prefix(1);
      } else if (std::size_t n = validUtf8Length(span, 0)) {
        emit(span.substr(0, n));
        span.remove_prefix(n);
      } else {
        emitByte(b);
        span.remove_prefix(1);
      }
    }
  }

  void readControl(bool afterBrace) {
    if (pos_ >= in_.size()) return;  // a lone backslash at the end
    char c = in_[pos_];
    if (isLetter(c)) {
      std::size_t start = pos_;
      while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;
      std::string_view name = in_.substr(start, pos_ - start);
      bool hasParam = false;
      std::int64_t value = 0;
      bool negative = false;
      if (pos_ + 1 < in_.size() && in_[pos_] == '-' && isDigit(in_[pos_ + 1])) {
        negative = true;
        ++pos_;
      }
      while (pos_ < in_.size() && isDigit(in_[pos_])) {
        hasParam = true;
        value = std::min<std::int64_t>(value * 10 + (in_[pos_] - '0'), std::int64_t{1} << 32);
        ++pos_;
      }
      if (negative) value = -value;
      value = std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                       std::numeric_limits<std::int32_t>::max());
      if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
      controlWord(name, hasParam, static_cast<int>(value));
      return;
    }
    ++pos_;
    controlSymbol(c, afterBrace);
  }

  void controlSymbol(char c, bool afterBrace) {
    if (c == '*') {
      if (afterBrace && overflow_ == 0) state_.destination = Destination::Skip;
      return;
    }
    if (c == '\'') {
      int hi = pos_ < in_.size() ? hexDigitValue(in_[pos_]) : -1;
      int lo = pos_ + 1 < in_.size() ? hexDigitValue(in_[pos_ + 1]) : -1;
      if (hi < 0 || lo < 0) return;  // not an escape after all: what follows is read as text
      pos_ += 2;
      if (skipping() || consumeFallback()) return;
      if (state_.destination == Destination::FontTable && hi * 16 + lo == ';') {
        commitFont();
      } else {
        emitByte(static_cast<unsigned char>(hi * 16 + lo));
      }
      return;
    }
    if (skipping() || consumeFallback()) return;
    switch (c) {
      case '\\':
      case '{':
      case '}':
        emit(std::string_view(&c, 1));
        break;
      case '~':
        emitCodePoint(0x00A0);
        break;
      case '_':
        emitCodePoint(0x2011);
        break;
      case '\r':
      case '\n':
        if (state_.destination == Destination::Text) endParagraph();
        break;
      default:  // "\-" and symbols without text of their own
        break;
    }
  }

  void controlWord(std::string_view name, bool hasParam, int param) {
    const Word* found = findWord(name);
    if (found && *found == Word::Bin) {
      // Binary data follows: skip it whatever the destination.
      std::size_t count = param > 0 ? static_cast<std::size_t>(param) : 0;
      pos_ += std::min(count, in_.size() - pos_);
      return;
    }
    if (skipping()) return;
    if (consumeFallback()) return;
    if (!found) return;
    const bool on = !hasParam || param != 0;
    CharFormat& chars = state_.chars;
    switch (*found) {
      case Word::SkipDestination:
        state_.destination = Destination::Skip;
        return;
      case Word::FontTable:
        state_.destination = Destination::FontTable;
        return;
      case Word::CodePage:
        if (hasParam) doc_.codePage = param;
        return;
      case Word::Deff:
        doc_.defaultFont = hasParam ? param : 0;
        chars.font = doc_.defaultFont;
        return;
      case Word::UnicodeSkip:
        state_.unicodeSkip = hasParam ? std::clamp(param, 0, 255) : 1;
        return;
      case Word::Unicode:
        if (hasParam) {
          emitCodePoint(param < 0 && param >= -32768 ? static_cast<char32_t>(param + 65536)
                        : param < 0                  ? kReplacement
                                                     : static_cast<char32_t>(param));
          pendingSkip_ = state_.unicodeSkip;
        }
        return;
      default:
        break;
    }
    if (state_.destination == Destination::FontTable) {
      if (*found == Word::Font) {
        commitFont();
        pendingFont_ = RtfFont{hasParam ? param : 0, 0, {}};
        fontActive_ = true;
      } else if (*found == Word::FontCharset && fontActive_) {
        pendingFont_.charset = hasParam ? param : 0;
      }
      return;
    }
    switch (*found) {
      case Word::Par:
        endParagraph();
        break;
      case Word::Pard:
        state_.alignment = RtfAlignment::Left;
        break;
      case Word::AlignLeft:
        state_.alignment = RtfAlignment::Left;
        break;
      case Word::AlignRight:
        state_.alignment = RtfAlignment::Right;
        break;
      case Word::AlignCenter:
        state_.alignment = RtfAlignment::Center;
        break;
      case Word::AlignJustify:
        state_.alignment = RtfAlignment::Justify;
        break;
      case Word::Plain:
        chars = CharFormat{};
        chars.font = doc_.defaultFont;
        break;
      case Word::Bold:
        chars.bold = on;
        break;
      case Word::Italic:
        chars.italic = on;
        break;
      case Word::Underline:
        chars.underline = on;
        break;
      case Word::UnderlineNone:
        chars.underline = false;
        break;
      case Word::Strike:
        chars.strike = on;
        break;
      case Word::Hidden:
        chars.hidden = on;
        break;
      case Word::FontSize:
        chars.halfPoints = hasParam ? param : kDefaultHalfPoints;
        break;
      case Word::Font:
        chars.font = hasParam ? param : 0;
        break;
      case Word::Tab:
        emit("\t");
        break;
      case Word::Line:
        emit("\n");
        break;
      case Word::Emdash:
        emitCodePoint(0x2014);
        break;
      case Word::Endash:
        emitCodePoint(0x2013);
        break;
      case Word::Bullet:
        emitCodePoint(0x2022);
        break;
      case Word::LeftQuote:
        emitCodePoint(0x2018);
        break;
      case Word::RightQuote:
        emitCodePoint(0x2019);
        break;
      case Word::LeftDoubleQuote:
        emitCodePoint(0x201C);
        break;
      case Word::RightDoubleQuote:
        emitCodePoint(0x201D);
        break;
      default:
        break;
    }
  }

  void emitByte(unsigned char b) {
    if (b == 0) return;
    if (b < 0x80 || doc_.codePage == 28591) {
      emitCodePoint(b);
    } else if (doc_.codePage == 1252) {
      emitCodePoint(b >= 0xA0 ? char32_t{b} : char32_t{kCp1252High[b - 0x80]});
    } else {
      emitCodePoint(kReplacement);
    }
  }

  void emitCodePoint(char32_t cp) {
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      flushSurrogate();
      highSurrogate_ = cp;
      return;
    }
    if (cp >= 0xDC00 && cp <= 0xDFFF) {
      if (highSurrogate_ == 0) {
        cp = kReplacement;
      } else {
        cp = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (cp - 0xDC00);
        highSurrogate_ = 0;
      }
    }
    if (cp == 0) return;
    if (cp > 0x10FFFF) cp = kReplacement;
    std::string utf8;
    appendUtf8(utf8, cp);
    emit(utf8);
  }

  void flushSurrogate() {
    if (highSurrogate_ == 0) return;
    highSurrogate_ = 0;
    std::string utf8;
    appendUtf8(utf8, kReplacement);
    emit(utf8);
  }

  // Text (UTF-8) for the current destination.
  void emit(std::string_view text) {
    if (highSurrogate_ != 0) flushSurrogate();
    if (state_.destination == Destination::FontTable) {
      if (fontActive_) pendingFont_.name += text;
      return;
    }
    if (state_.destination != Destination::Text || state_.chars.hidden) return;
    auto& runs = paragraph_.runs;
    if (runs.empty() || !sameFormat(runs.back(), state_.chars)) {
      const CharFormat& f = state_.chars;
      runs.push_back(RtfRun{{}, f.font, f.halfPoints, f.bold, f.italic, f.underline, f.strike});
    }
    runs.back().text += text;
  }

  void endParagraph() {
    flushSurrogate();
    paragraph_.alignment = state_.alignment;
    doc_.paragraphs.push_back(std::move(paragraph_));
    paragraph_ = RtfParagraph{};
  }

  void commitFont() {
    if (!fontActive_) return;
    fontActive_ = false;
    auto same = [&](const RtfFont& f) { return f.index == pendingFont_.index; };
    auto it = std::find_if(doc_.fonts.begin(), doc_.fonts.end(), same);
    if (it != doc_.fonts.end()) {
      *it = std::move(pendingFont_);
    } else {
      doc_.fonts.push_back(std::move(pendingFont_));
    }
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  bool afterBrace_ = false;
  std::vector<State> stack_;  // the states of the enclosing groups
  State state_;
  std::size_t overflow_ = 0;  // groups open beyond kMaxDepth
  int pendingSkip_ = 0;       // fallback characters of the last "\u" still to drop
  char32_t highSurrogate_ = 0;
  RtfFont pendingFont_;
  bool fontActive_ = false;
  RtfParagraph paragraph_;
  RtfDocument doc_;
};

}  // namespace

RtfDocument readRtf(std::string_view rtf) {
  return Reader(rtf).read();
}

}  // namespace kadrelle
