#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
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
  Cell,
  Deff,
  Emdash,
  Endash,
  Font,
  FontCharset,
  FontCodePage,
  FontSize,
  FontTable,
  Hidden,
  InTable,
  NestedRowProperties,
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
  Row,
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
    {"cell", Word::Cell},
    {"colorschememapping", Word::SkipDestination},
    {"colortbl", Word::SkipDestination},
    {"comment", Word::SkipDestination},
    {"company", Word::SkipDestination},
    {"cpg", Word::FontCodePage},
    {"creatim", Word::SkipDestination},
    {"datafield", Word::SkipDestination},
    {"datastore", Word::SkipDestination},
    {"defchp", Word::SkipDestination},
    {"deff", Word::Deff},
    {"defpap", Word::SkipDestination},
    {"doccomm", Word::SkipDestination},
    {"docvar", Word::SkipDestination},
    {"emdash", Word::Emdash},
    {"endash", Word::Endash},
    {"f", Word::Font},
    {"falt", Word::SkipDestination},
    {"fchars", Word::SkipDestination},
    {"fcharset", Word::FontCharset},
    {"filetbl", Word::SkipDestination},
    {"fldinst", Word::SkipDestination},
    {"fldtype", Word::SkipDestination},
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
    {"generator", Word::SkipDestination},
    {"header", Word::SkipDestination},
    {"headerf", Word::SkipDestination},
    {"headerl", Word::SkipDestination},
    {"headerr", Word::SkipDestination},
    {"i", Word::Italic},
    {"info", Word::SkipDestination},
    {"intbl", Word::InTable},
    {"itap", Word::InTable},
    {"keywords", Word::SkipDestination},
    {"latentstyles", Word::SkipDestination},
    {"lchars", Word::SkipDestination},
    {"ldblquote", Word::LeftDoubleQuote},
    {"line", Word::Line},
    {"listoverridetable", Word::SkipDestination},
    {"listpicture", Word::SkipDestination},
    {"listtable", Word::SkipDestination},
    {"lquote", Word::LeftQuote},
    {"manager", Word::SkipDestination},
    {"mmathPr", Word::SkipDestination},
    {"nestcell", Word::Cell},
    {"nestrow", Word::Row},
    {"nesttableprops", Word::NestedRowProperties},
    {"nonesttables", Word::SkipDestination},
    {"nonshppict", Word::SkipDestination},
    {"objdata", Word::SkipDestination},
    {"object", Word::SkipDestination},
    {"operator", Word::SkipDestination},
    {"panose", Word::SkipDestination},
    {"par", Word::Par},
    {"pard", Word::Pard},
    {"pgdsctbl", Word::SkipDestination},
    {"pict", Word::SkipDestination},
    {"plain", Word::Plain},
    {"pntext", Word::SkipDestination},
    {"pntxta", Word::SkipDestination},
    {"pntxtb", Word::SkipDestination},
    {"printim", Word::SkipDestination},
    {"private", Word::SkipDestination},
    {"protusertbl", Word::SkipDestination},
    {"qc", Word::AlignCenter},
    {"qd", Word::AlignJustify},
    {"qj", Word::AlignJustify},
    {"ql", Word::AlignLeft},
    {"qr", Word::AlignRight},
    {"rdblquote", Word::RightDoubleQuote},
    {"revtbl", Word::SkipDestination},
    {"revtim", Word::SkipDestination},
    {"row", Word::Row},
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
    {"themedata", Word::SkipDestination},
    {"title", Word::SkipDestination},
    {"txe", Word::SkipDestination},
    {"u", Word::Unicode},
    {"uc", Word::UnicodeSkip},
    {"ud", Word::SkipDestination},
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
    {"wgrffmtfilter", Word::SkipDestination},
    {"xe", Word::SkipDestination},
    {"xform", Word::SkipDestination},
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

// The Windows code page of a font's character set ("\fcharsetN"); 0 where the document's code
// page ("\ansicpg") applies.
int codePageOfCharset(int charset) {
  switch (charset) {
    case 0:
      return 1252;  // ANSI
    case 77:
      return 10000;  // Macintosh Roman
    case 128:
      return 932;  // Japanese
    case 129:
      return 949;  // Korean
    case 134:
      return 936;  // Simplified Chinese
    case 136:
      return 950;  // Traditional Chinese
    case 161:
      return 1253;  // Greek
    case 162:
      return 1254;  // Turkish
    case 163:
      return 1258;  // Vietnamese
    case 177:
      return 1255;  // Hebrew
    case 178:
      return 1256;  // Arabic
    case 186:
      return 1257;  // Baltic
    case 204:
      return 1251;  // Cyrillic
    case 222:
      return 874;  // Thai
    case 238:
      return 1250;  // Central European
    default:
      return 0;
  }
}

// Decodes text in the code pages the reader does not decode itself, through the C library's
// iconv. Converters are opened on first use and closed with the object.
class CodePages {
 public:
  CodePages() = default;
  CodePages(const CodePages&) = delete;
  CodePages& operator=(const CodePages&) = delete;
  ~CodePages() {
    for (const Converter& c : open_) {
      if (c.cd != kNone) iconv_close(c.cd);
    }
  }

  // Appends `bytes` in `codePage` as UTF-8; a byte that does not decode (or a code page iconv
  // does not know) gives U+FFFD.
  void decode(int codePage, std::string_view bytes, std::string& out) {
    iconv_t cd = converter(codePage);
    if (cd == kNone) {
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        appendUtf8(out, b < 0x80 ? char32_t{b} : kReplacement);
      }
      return;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());  // iconv's interface; the bytes are not written
    std::size_t inLeft = bytes.size();
    char buffer[256];
    while (inLeft > 0) {
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
      if (result != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) continue;
      appendUtf8(out, kReplacement);  // EILSEQ, or EINVAL: a sequence cut off at the end
      if (errno != EILSEQ) break;
      ++in;
      --inLeft;
    }
  }

 private:
  static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
  struct Converter {
    int codePage;
    iconv_t cd;
  };

  iconv_t converter(int codePage) {
    for (const Converter& c : open_) {
      if (c.codePage == codePage) return c.cd;
    }
    char number[16];
    auto [end, ec] = std::to_chars(number, number + sizeof number, codePage);
    const std::string digits(number, end);
    std::vector<std::string> names = {"CP" + digits, "WINDOWS-" + digits};
    if (codePage == 932) names.push_back("SHIFT_JIS");
    if (codePage == 936) names.push_back("GBK");
    if (codePage == 949) names.push_back("UHC");
    if (codePage == 950) names.push_back("BIG5");
    if (codePage == 10000) names.insert(names.begin(), "MACINTOSH");
    iconv_t cd = kNone;
    for (const std::string& name : names) {
      cd = iconv_open("UTF-8", name.c_str());
      if (cd != kNone) break;
    }
    open_.push_back({codePage, cd});
    return cd;
  }

  std::vector<Converter> open_;
};

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
  bool inTable = false;  // "\intbl": the paragraph stands in a table cell
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
    flushBytes();
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
    flushBytes();
    flushSurrogate();
    if (state_.destination == Destination::FontTable) commitFont();
    if (stack_.size() == 1) {
      // A brace that closes the document while more markup follows is a stray one: read on.
      // Plain text after the document's end is not part of it.
      const std::size_t next = in_.find_first_not_of(" \t\r\n", pos_);
      return next == std::string_view::npos || (in_[next] != '\\' && in_[next] != '{');
    }
    state_ = stack_.back();
    stack_.pop_back();
    return false;
  }

  void finish() {
    flushBytes();
    flushSurrogate();
    closePendingCellParagraph();
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
    // Plain ASCII goes through in stretches; other bytes one character at a time, and so does
    // everything while code page bytes wait (a double-byte character's second byte may be ASCII).
    while (!span.empty()) {
      std::size_t plain = 0;
      while (plain < span.size()) {
        unsigned char b = static_cast<unsigned char>(span[plain]);
        if (b == 0 || b >= 0x80 || (b == ';' && state_.destination == Destination::FontTable))
          break;
        ++plain;
      }
      if (plain > 0 && pendingBytes_.empty()) {
        emit(span.substr(0, plain));
        span.remove_prefix(plain);
        continue;
      }
      unsigned char b = static_cast<unsigned char>(span[0]);
      if (b == 0) {
        span.remove_prefix(1);
      } else if (b == ';' && state_.destination == Destination::FontTable) {
        commitFont();
        span.remove_prefix(1);
      } else if (std::size_t n = codePage() == 1252 ? validUtf8Length(span, 0) : 0) {
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
    if (found && *found == Word::NestedRowProperties && overflow_ == 0 && !stack_.empty()) {
      // "{\*\nesttableprops ... \nestrow}" ends a row of a nested table: read it.
      state_.destination = stack_.back().destination;
    }
    if (skipping()) return;
    if (consumeFallback()) return;
    if (!found) return;
    flushBytes();
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
        pendingFont_ = RtfFont{hasParam ? param : 0, 0, 0, {}};
        fontActive_ = true;
        pendingFontCodePage_ = false;
      } else if (*found == Word::FontCharset && fontActive_) {
        pendingFont_.charset = hasParam ? param : 0;
        if (!pendingFontCodePage_) pendingFont_.codePage = codePageOfCharset(pendingFont_.charset);
      } else if (*found == Word::FontCodePage && fontActive_) {
        pendingFont_.codePage = hasParam ? param : 0;
        pendingFontCodePage_ = true;
      }
      return;
    }
    switch (*found) {
      case Word::Par:
        // The last paragraph of a cell ends where the cell does: the break waits for text.
        if (state_.inTable) {
          closePendingCellParagraph();
          cellParagraphEnded_ = true;
        } else {
          endParagraph();
        }
        break;
      case Word::Pard:
        state_.alignment = RtfAlignment::Left;
        state_.inTable = false;
        break;
      case Word::InTable:
        state_.inTable = !hasParam || param > 0;
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
      case Word::Cell:
        cellParagraphEnded_ = false;
        emit("\t");
        break;
      case Word::Row:
        cellParagraphEnded_ = false;
        endParagraph();
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

  // The code page of text here: the font's, from its character set or "\cpg", else the
  // document's.
  int codePage() const {
    int fontCodePage = 0;
    if (state_.destination == Destination::FontTable) {
      if (fontActive_) fontCodePage = pendingFont_.codePage;
    } else {
      for (const RtfFont& f : doc_.fonts) {
        if (f.index == state_.chars.font) fontCodePage = f.codePage;
      }
    }
    return fontCodePage != 0 ? fontCodePage : doc_.codePage;
  }

  // One byte of text ("\'hh" or written directly) in the code page in effect. Bytes of code
  // pages other than 1252 and Latin-1 wait in pendingBytes_ until other text, a control word or
  // a brace comes, so that double-byte characters and byte runs decode together.
  void emitByte(unsigned char b) {
    if (b == 0) return;
    const int page = codePage();
    const bool waiting = !pendingBytes_.empty() && pendingCodePage_ == page;
    if (!waiting && (b < 0x80 || page == 28591)) {
      emitCodePoint(b);
    } else if (!waiting && page == 1252) {
      emitCodePoint(b >= 0xA0 ? char32_t{b} : char32_t{kCp1252High[b - 0x80]});
    } else {
      if (!waiting) flushBytes();
      pendingBytes_ += static_cast<char>(b);
      pendingCodePage_ = page;
    }
  }

  void flushBytes() {
    if (pendingBytes_.empty()) return;
    std::string utf8;
    if (pendingCodePage_ == 65001) {
      for (std::size_t i = 0; i < pendingBytes_.size();)
        appendUtf8(utf8, decodeUtf8(pendingBytes_, i));
    } else {
      codePages_.decode(pendingCodePage_, pendingBytes_, utf8);
    }
    pendingBytes_.clear();
    append(utf8);
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

  // Text (UTF-8) for the current destination, after any bytes still waiting.
  void emit(std::string_view text) {
    flushBytes();
    if (highSurrogate_ != 0) flushSurrogate();
    append(text);
  }

  void closePendingCellParagraph() {
    if (!cellParagraphEnded_) return;
    cellParagraphEnded_ = false;
    endParagraph();
  }

  void append(std::string_view text) {
    if (state_.destination == Destination::Text && !state_.chars.hidden)
      closePendingCellParagraph();
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
    flushBytes();
    flushSurrogate();
    paragraph_.alignment = state_.alignment;
    doc_.paragraphs.push_back(std::move(paragraph_));
    paragraph_ = RtfParagraph{};
  }

  void commitFont() {
    if (!fontActive_) return;
    flushBytes();
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
  bool cellParagraphEnded_ = false;  // a "\par" in a cell whose line break waits (see Par)
  bool pendingFontCodePage_ =
      false;  // the font gave "\cpg", which its character set does not change
  RtfParagraph paragraph_;
  RtfDocument doc_;
  std::string pendingBytes_;  // code page bytes not yet decoded
  int pendingCodePage_ = 0;
  CodePages codePages_;
};

}  // namespace

RtfDocument readRtf(std::string_view rtf) {
  return Reader(rtf).read();
}

}  // namespace kadrelle
