#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kadrelle {

// A Basic-style number format, compiled once and applied to many values.
//
// Grammar (the text of FormatString):
//
//   format   := ""                        the number's default text form (numberText)
//             | named                     one of the named formats below, any letter case
//             | section [";" section [";" section]]
//   section  := item*                     positive ; negative ; zero
//   item     := "0"                       digit placeholder: shows a digit or a 0
//             | "#"                       digit placeholder: shows a digit or nothing
//             | "."                       decimal point (the first one; later ones are literal)
//             | ","                       thousands separator (see below)
//             | "%"                       shows "%" and multiplies the value by 100
//             | ("E"|"e") ("+"|"-")       scientific form; the placeholders after it are the
//                                         exponent's. "E+" always shows the exponent's sign,
//                                         "E-" only a minus
//             | '"' any* '"'              literal text
//             | "\" any                   the next character (UTF-8 sequence) as literal text
//             | any other character       literal text
//
//   named    := "General Number" = ""        "Fixed"      = "0.00"
//               "Standard"       = "#,##0.00" "Percent"    = "0.00%"
//               "Scientific"     = "0.00E+00"
//
// Placeholders before the decimal point show every integer digit of the value, however many
// there are; extra "0" placeholders pad with zeros, and once a "0" forces a digit every place to
// its right is shown too. Placeholders after the decimal point round the value there, halves away
// from zero, working on the value's 15 significant decimal digits (so 2.345 with "0.00" gives
// "2.35"). A "#" after the point shows a digit only when a nonzero digit or a "0" placeholder
// follows. The decimal point itself is shown only when at least one digit follows it: "#,##0.##"
// shows 1234 as "1,234", not "1,234.". A section without integer placeholders shows the integer
// digits just before its decimal point (".00" shows 12.5 as "12.50"), or not at all when it has no
// decimal point either (a section of literal text only).
//
// Scientific form: the integer placeholders fix how many digits stand before the point, and the
// exponent is chosen to match ("0.00E+00" shows 1234.5 as "1.23E+03", ".0E+0" as ".1E+4").
//
// A comma between two integer placeholders groups the integer digits by three with ","; commas
// right after the last integer placeholder each divide the value by 1000 ("#,##0,," shows
// 1234567890 as "1,235"); other commas are literal text.
//
// Sections: a negative value uses the second section with its magnitude (the section supplies any
// sign or parentheses itself); zero uses the third. An absent or empty section falls back to the
// first, which shows a leading "-" for negative values, except when every digit shown is zero
// (-0.001 with "0.00" shows "0.00").
//
// Malformed formats show the value in its default text form: an unterminated quote, a backslash
// at the end, more than three sections, or "E+"/"E-" without an exponent placeholder. Values that
// are not finite, and results whose scaling by "%" is not finite, also show the default form.
class NumberFormat {
 public:
  // The empty format: the default text form.
  NumberFormat() = default;
  explicit NumberFormat(std::string_view format);

  const std::string& source() const { return source_; }
  // False when the format is malformed and values are shown in their default text form.
  bool wellFormed() const { return wellFormed_; }

  // Replaces out's content with the formatted value; reuses out's storage.
  void format(double value, std::string& out) const;
  std::string format(double value) const;

  // Hexadecimal form: the value rounded to an integer (halves to even) as an unsigned 32-bit
  // number in upper-case digits, zero-padded to `digits` (at most 8); so -1 shows as "FFFFFFFF".
  // Values outside -2^31 .. 2^32-1 and non-finite values show their default text form.
  static void formatHex(double value, std::int32_t digits, std::string& out);
  static std::string formatHex(double value, std::int32_t digits);

 private:
  enum class Kind : std::uint8_t { Literal, Digit, Point, Group, Scale, Exponent };
  struct Token {
    Kind kind;
    bool zero = false;        // Digit: "0" rather than "#"; Exponent: "E+" rather than "E-"
    char letter = 0;          // Digit: 0 integer, 1 fraction, 2 exponent; Exponent: "E" or "e"
    std::uint32_t begin = 0;  // Literal: range in literals_
    std::uint32_t length = 0;
  };
  struct Section {
    std::vector<Token> tokens;
    int intPlaces = 0;        // integer placeholders
    int fracPlaces = 0;       // placeholders after the point
    int lastFracZero = -1;    // index of the last "0" after the point, or -1
    int highestIntZero = -1;  // place (0 = units) of the leftmost "0" before the point, or -1
    int expPlaces = 0;        // exponent placeholders
    int highestExpZero = -1;
    int percents = 0;
    int scales = 0;  // dividing commas
    bool grouping = false;
    bool scientific = false;
    bool empty = true;  // no items at all
  };

  bool compile(std::string_view format);
  bool compileSection(std::string_view text, Section& section);
  void formatSection(const Section& section, double magnitude, bool minus, std::string& out) const;

  std::string source_;
  std::string literals_;
  std::vector<Section> sections_;
  bool wellFormed_ = true;
  bool useDefault_ = true;  // empty, "General Number" or malformed
};

}  // namespace kadrelle
