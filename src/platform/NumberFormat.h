#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A Basic-style number format, compiled once and applied to many values. The edit box and the
// value library both show numbers through it. It gives what Basic's Format gives for the same
// format and value (US English: "." and ","), with the one difference noted below.
//
// Grammar (the text of FormatString):
//
//   format   := ""                        the number's default text form (numberText)
//             | named                     one of the named formats below, any letter case
//             | section [";" section [";" section [";" section]]]
//   section  := item*                     positive ; negative ; zero ; null (never used here)
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
//   named    := "General Number" = ""            "Fixed"      = "0.00"
//               "Standard"       = "#,##0.00"    "Percent"    = "0.00%"
//               "Scientific"     = "0.00E+00"    "Currency"   = "$#,##0.00;($#,##0.00)"
//               "Yes/No", "True/False", "On/Off": the second word for zero, the first otherwise
//
// Placeholders before the decimal point show every integer digit of the value, however many
// there are; extra "0" placeholders pad with zeros, and once a "0" forces a digit every place to
// its right is shown too ("000###" shows 1 as "000001", "#" shows 0 as nothing). Placeholders
// after the decimal point round the value there, halves away from zero, working on the value's 15
// significant decimal digits (so 2.345 with "0.00" gives "2.35"). A "#" after the point shows a
// digit only when a nonzero digit or a "0" placeholder follows. A section without integer
// placeholders shows the integer digits just before its decimal point (".00" shows 12.5 as
// "12.50"), or not at all when it has no decimal point either (a section of literal text only).
//
// The one deliberate difference from Basic: when the point is followed by placeholders and none
// of them shows a digit, the point is left out too. "#,##0.####" shows 5 as "5" and "#.#" shows 1
// as "1", where Basic writes "5." and "1.". A box that shows a whole drive value with a dangling
// point reads like an entry still being typed, and the fixed drive-view format "#,##0.####" would
// do that for every whole value. A point without placeholders after it is always shown ("#.33"
// shows 17 as "17.33").
//
// Scientific form: the integer placeholders fix how many digits stand before the point, and the
// exponent is chosen to match ("0.00E+00" shows 1234.5 as "1.23E+03", ".0E+0" as ".1E+4"). The
// exponent shows at least as many digits as it has "0" placeholders ("0.0E+0#" shows 1.7 as
// "1.7E+0", "0.0E-#0#0" shows 29 as "2.9E01"); with no placeholder at all it shows its digits
// ("0.0e+" shows 1.7 as "1.7e+0", so "0.0e+1" gives "1.7e+01" with a literal 1).
//
// A comma between two integer placeholders groups the integer digits by three with ","; commas
// right after the last integer placeholder each divide the value by 1000 ("#,##0,," shows
// 1234567890 as "1,235"); other commas are literal text.
//
// Sections: a negative value uses the second section with its magnitude (the section supplies any
// sign or parentheses itself); zero uses the third. An absent or empty section falls back to the
// first, which shows a leading "-" for negative values, except when every digit shown is zero
// (-0.001 with "0.00" shows "0.00"). A fourth section (Basic's text for Null) is accepted and
// never used.
//
// Malformed formats show the value in its default text form: an unterminated quote, a backslash
// at the end, more than four sections. Values that are not finite, and results whose scaling by
// "%" is not finite, also show the default form.
class NumberFormat {
 public:
  // The empty format: the default text form.
  NumberFormat() = default;
  explicit NumberFormat(std::string_view format);

  const std::string& source() const;
  // False when the format is malformed and values are shown in their default text form.
  bool wellFormed() const { return !c_ || c_->wellFormed_; }

  // Replaces out's content with the formatted value; reuses out's storage.
  void format(double value, std::string& out) const;
  std::string format(double value) const;

  // Hexadecimal form: the value rounded to an integer (halves to even) as an unsigned 32-bit
  // number in upper-case digits, zero-padded to `digits` (at most 8); so -1 shows as "FFFFFFFF".
  // Values outside -2^31 .. 2^32-1 and non-finite values show their default text form.
  static void formatHex(double value, std::int32_t digits, std::string& out);
  static std::string formatHex(double value, std::int32_t digits);
  // The hexadecimal digits a range of values needs (log2(range) + 3 over 4, rounded down); 4 when
  // the range is empty or inverted.
  static std::int32_t hexDigitsFor(double range);

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
    int expZeros = 0;         // "0" placeholders in the exponent
    int percents = 0;
    int scales = 0;  // dividing commas
    bool grouping = false;
    bool scientific = false;
    bool empty = true;  // no items at all
  };

  // A format as compiled: one per text, shared by every NumberFormat of that text (a form's
  // controls mostly show a handful of formats), and never changed once made.
  struct Compiled {
    explicit Compiled(std::string_view format);
    bool compile(std::string_view format);
    bool compileSection(std::string_view text, Section& section);
    void format(double value, std::string& out) const;
    void formatSection(const Section& section, double magnitude, bool minus,
                       std::string& out) const;

    std::string source_;
    std::string literals_;
    std::vector<Section> sections_;
    bool wellFormed_ = true;
    bool useDefault_ = true;  // empty, "General Number" or malformed
  };
  std::shared_ptr<const Compiled> c_;  // none: the empty format
};

}  // namespace kadrelle
#pragma GCC visibility pop
