#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/RtfDocument.h"

namespace kadrelle {
namespace {

// The head of every caption document, up to and including the line break after the font table.
const std::string kCaptionHead =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
    "{\\f2\\fnil\\fcharset2 Symbol;}}\r\n\\viewkind4\\pard\\slmult1\\i0";

struct TextCase {
  const char* name;
  std::string rtf;
  std::string text;
};

void PrintTo(const TextCase& c, std::ostream* os) {
  *os << c.name;
}

std::string caseName(const testing::TestParamInfo<TextCase>& info) {
  return info.param.name;
}

// Whole documents and the text they give: escapes, destinations, tables, code pages and
// malformed input (never a crash or a hang; what could be read is shown).
class RtfText : public testing::TestWithParam<TextCase> {};

TEST_P(RtfText, ReadsAsSeen) {
  EXPECT_EQ(readRtf(GetParam().rtf).text(), GetParam().text);
}

// A minimal document around a body.
std::string doc(const std::string& body) {
  return "{\\rtf1\\ansi " + body + "}";
}

// Documents as the caption builds them, read back to the plain text the layout measures.
INSTANTIATE_TEST_SUITE_P(
    Caption, RtfText,
    testing::Values(
        // The delimiter space of "\fs13" is markup; the second space is the visible gap.
        TextCase{"SharedLine",
                 kCaptionHead + "\\ql\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs13  (RPM)\\par}",
                 "Speed Limit (RPM)"},
        TextCase{"UnitsOnOwnLine",
                 kCaptionHead + "\\qc\\b1\\fs16 Speed Limit\\par\\slmult1\\b0\\fs16 (RPM)\\par}",
                 "Speed Limit\r\n(RPM)"},
        TextCase{"NoUnits", kCaptionHead + "\\ql\\b0\\fs16 Speed Limit\\par}", "Speed Limit"},
        TextCase{"NoAlignment", kCaptionHead + "\\b0\\fs22 Speed Limit\\par}", "Speed Limit"},
        TextCase{"EmptyDescriptionWithUnits",
                 kCaptionHead + "\\ql\\b0\\fs16 \\slmult1\\b0\\fs13  (RPM)\\par}", " (RPM)"},
        TextCase{"EmptyDescriptionUnitsOnOwnLine",
                 kCaptionHead + "\\ql\\b0\\fs16 \\par\\slmult1\\b0\\fs16 (RPM)\\par}", "\r\n(RPM)"},
        TextCase{"NothingAtAll", kCaptionHead + "\\ql\\b0\\fs16 \\par}", ""},
        TextCase{"ZeroAndNegativeUnitSizes",
                 kCaptionHead + "\\ql\\b0\\fs16 A\\slmult1\\b0\\fs0  (B)\\slmult1\\b0\\fs-13  (C)"
                                "\\par}",
                 "A (B) (C)"},
        // Descriptions are inserted unescaped, so their backslashes and braces are markup.
        TextCase{"DescriptionWithGroup", kCaptionHead + "\\ql\\b0\\fs16 Torque {\\b max}\\par}",
                 "Torque max"},
        TextCase{"DescriptionWithControlWord", kCaptionHead + "\\ql\\b0\\fs16 C:\\temp\\par}",
                 "C:"},
        TextCase{"DescriptionWithBackslashBeforeUnits",
                 kCaptionHead + "\\ql\\b0\\fs16 Path\\\\slmult1\\b0\\fs13  (RPM)\\par}",
                 "Path\\slmult1 (RPM)"},
        TextCase{"DescriptionWithOpenBrace",
                 kCaptionHead + "\\ql\\b0\\fs16 Speed {Limit\\slmult1\\b0\\fs13  (RPM)\\par}",
                 "Speed Limit (RPM)"},
        TextCase{"DescriptionWithCloseBraceEndsDocument",
                 kCaptionHead + "\\ql\\b0\\fs16 Speed }Limit\\slmult1\\b0\\fs13  (RPM)\\par}",
                 "Speed "},
        TextCase{"Utf8Description",
                 kCaptionHead + "\\ql\\b0\\fs16 Temperatur \xC2\xB0"
                                "C\\par}",
                 "Temperatur \xC2\xB0"
                 "C"}),
    caseName);

TEST(RtfReader, CaptionDocumentModel) {
  RtfDocument doc =
      readRtf(kCaptionHead + "\\qr\\b1\\fs20 Speed Limit\\slmult1\\b0\\fs16  (RPM)\\par}");
  ASSERT_EQ(doc.fonts.size(), 2u);
  EXPECT_EQ(doc.fonts[0].index, 0);
  EXPECT_EQ(doc.fonts[0].charset, 0);
  EXPECT_EQ(doc.fonts[0].name, "Arial");
  EXPECT_EQ(doc.fonts[1].index, 2);
  EXPECT_EQ(doc.fonts[1].charset, 2);
  EXPECT_EQ(doc.fonts[1].name, "Symbol");
  EXPECT_EQ(doc.codePage, 1252);
  EXPECT_EQ(doc.defaultFont, 0);

  ASSERT_EQ(doc.paragraphs.size(), 1u);
  const RtfParagraph& p = doc.paragraphs[0];
  EXPECT_EQ(p.alignment, RtfAlignment::Right);
  ASSERT_EQ(p.runs.size(), 2u);
  EXPECT_EQ(p.runs[0].text, "Speed Limit");
  EXPECT_TRUE(p.runs[0].bold);
  EXPECT_FALSE(p.runs[0].italic);
  EXPECT_EQ(p.runs[0].halfPoints, 20);
  EXPECT_EQ(p.runs[0].font, 0);
  EXPECT_EQ(p.runs[1].text, " (RPM)");
  EXPECT_FALSE(p.runs[1].bold);
  EXPECT_EQ(p.runs[1].halfPoints, 16);
}

TEST(RtfReader, ControlWordAlsoEndsAtSpaceAfterNumber) {
  // "\fs13 " eats one space only; "\b0" without a space ends at the next backslash or letter-less
  // character.
  EXPECT_EQ(readRtf("{\\rtf1 \\fs13   x\\b0.y}").text(), "  x.y");
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, RtfText,
    testing::Values(TextCase{"HexLatin1", doc("caf\\'e9"), "caf\xC3\xA9"},
                    TextCase{"HexEuro", doc("\\'80"), "\xE2\x82\xAC"},
                    TextCase{"HexUnassignedKeepsValue", doc("\\'81"), "\xC2\x81"},
                    TextCase{"HexNulDropped", doc("a\\'00b"), "ab"},
                    TextCase{"HexNotHexIsText", doc("\\'zz"), "zz"},
                    TextCase{"UnicodeWithFallback", doc("\\u8364?x"),
                             "\xE2\x82\xAC"
                             "x"},
                    TextCase{"UnicodeFallbackHex", doc("\\u8364\\'80x"),
                             "\xE2\x82\xAC"
                             "x"},
                    TextCase{"UnicodeNegative", doc("\\u-4064?"), "\xEF\x80\xA0"},
                    TextCase{"UnicodeNoFallback", doc("\\uc0\\u8364 x"),
                             "\xE2\x82\xAC"
                             "x"},
                    TextCase{"UnicodeTwoFallbacks", doc("\\uc2\\u8364 ab c"), "\xE2\x82\xAC c"},
                    TextCase{"UnicodeFallbackControlWord", doc("\\u8364\\emdash x"),
                             "\xE2\x82\xAC"
                             "x"},
                    TextCase{"UnicodeFallbackEndsAtBrace", doc("{\\uc3\\u8364 a}bc"),
                             "\xE2\x82\xAC"
                             "bc"},
                    TextCase{"UnicodeSkipIsScoped", doc("{\\uc0 x}\\u8364 ?y"),
                             "x\xE2\x82\xAC"
                             "y"},
                    TextCase{"SurrogatePair", doc("\\u-10179?\\u-8704?"), "\xF0\x9F\x98\x80"},
                    TextCase{"LoneHighSurrogate", doc("\\u-10179?x"), "\xEF\xBF\xBDx"},
                    TextCase{"LoneLowSurrogate", doc("\\u-8704?x"), "\xEF\xBF\xBDx"},
                    TextCase{"UnicodeZeroDropped", doc("a\\u0 ?b"), "ab"},
                    TextCase{"UnicodeOutOfRange", doc("\\u-40000?"), "\xEF\xBF\xBD"},
                    TextCase{"EscapedBracesAndBackslash", doc("\\{a\\}\\\\"), "{a}\\"},
                    TextCase{"Tab", doc("a\\tab b"), "a\tb"},
                    TextCase{"LineBreakInParagraph", doc("a\\line b"), "a\nb"},
                    TextCase{"NonBreakingSpace", doc("a\\~b"),
                             "a\xC2\xA0"
                             "b"},
                    TextCase{"OptionalHyphen", doc("a\\-b"), "ab"},
                    TextCase{"NonBreakingHyphen", doc("a\\_b"),
                             "a\xE2\x80\x91"
                             "b"},
                    TextCase{"NamedPunctuation", doc("\\lquote\\rquote\\ldblquote\\rdblquote"),
                             "\xE2\x80\x98\xE2\x80\x99\xE2\x80\x9C\xE2\x80\x9D"},
                    TextCase{"Dashes", doc("\\emdash\\endash\\bullet"),
                             "\xE2\x80\x94\xE2\x80\x93\xE2\x80\xA2"},
                    TextCase{"SourceLineBreaksIgnored", doc("a\r\nb\rc\nd"), "abcd"},
                    TextCase{"BackslashNewlineIsPar", doc("a\\\r\nb"), "a\r\nb"},
                    TextCase{"RawUtf8", doc("\xE2\x82\xAC \xC3\xA9"), "\xE2\x82\xAC \xC3\xA9"},
                    TextCase{"RawByteNotUtf8",
                             doc("\xB0"
                                 "C"),
                             "\xC2\xB0"
                             "C"},
                    TextCase{"RawOverlongUtf8", doc("\xC0\xAF"), "\xC3\x80\xC2\xAF"},
                    TextCase{"RawTruncatedUtf8", doc("\xE2\x82"), "\xC3\xA2\xE2\x80\x9A"},
                    TextCase{"UnknownWordIgnored", doc("a\\foo12 b\\bar-3c"), "abc"},
                    TextCase{"UnknownSymbolIgnored", doc("a\\|b\\:c"), "abc"},
                    TextCase{"HiddenText", doc("a{\\v hidden}b\\v c\\v0 d"), "abd"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Destinations, RtfText,
    testing::Values(TextCase{"StarDestination", doc("{\\*\\generator Riched20 10.0;}Hi"), "Hi"},
                    TextCase{"UnknownStarDestinationWithGroups",
                             doc("{\\*\\mystery {a{b}c} d\\par e}Hi"), "Hi"},
                    TextCase{"ColorTable", doc("{\\colortbl ;\\red255\\green0\\blue0;}Hi"), "Hi"},
                    TextCase{"PictureBinaryWithBraces", doc("{\\pict\\bin4 }}{{}Hi"), "Hi"},
                    TextCase{"BinaryInBody", doc("a\\bin3 x}yb"), "ab"},
                    TextCase{"FieldShowsResult",
                             doc("{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}} text"),
                             "link text"},
                    TextCase{"StarNotAtGroupStartIsIgnored", doc("a\\*b"), "ab"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Tables, RtfText,
    testing::Values(
        TextCase{"CellsAndRows", doc("\\trowd a\\cell b\\cell\\row\\trowd c\\cell\\row"),
                 "a\tb\t\r\nc\t"},
        TextCase{"ParagraphAfterTableStandsApart", doc("a\\cell\\row\\pard b\\par"), "a\t\r\nb"},
        TextCase{"ParagraphsInACell", doc("a\\par b\\cell\\row"), "a\r\nb\t"},
        TextCase{"CellParagraphEndsWithTheCell",
                 doc("{\\pard\\intbl a\\par}\\cell\\pard\\intbl b\\par c\\par\\cell\\row d"),
                 "a\tb\r\nc\t\r\nd"},
        TextCase{"NestedCells",
                 doc("\\intbl x\\nestcell{\\*\\nesttableprops\\nestrow}y\\cell\\row"),
                 "x\t\r\ny\t"},
        TextCase{"ListBulletAndTab", doc("{\\listtext\\'95\\tab}x\\par\\bullet\\tab y"),
                 "\xE2\x80\xA2\tx\r\n\xE2\x80\xA2\ty"}),
    caseName);

// Code pages: the document's "\ansicpg", or the font's character set, through iconv.
INSTANTIATE_TEST_SUITE_P(
    CodePages, RtfText,
    testing::Values(
        TextCase{"Latin1", "{\\rtf1\\ansi\\ansicpg28591 \\'80\\'e9}", "\xC2\x80\xC3\xA9"},
        TextCase{"Cyrillic", "{\\rtf1\\ansi\\ansicpg1251 \\'e0A}",
                 "\xD0\xB0"
                 "A"},
        TextCase{"CentralEuropean", "{\\rtf1\\ansi\\ansicpg1250 \\'9a\\'e8}", "\xC5\xA1\xC4\x8D"},
        TextCase{"Thai", "{\\rtf1\\ansi\\ansicpg874 \\'a1}", "\xE0\xB8\x81"},
        TextCase{"Japanese", "{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0\\'83@x}",
                 "\xE3\x81\x82\xE3\x82\xA1x"},
        TextCase{"SimplifiedChinese", "{\\rtf1\\ansi\\ansicpg936 \\'c4\\'e3}", "\xE4\xBD\xA0"},
        TextCase{"Korean", "{\\rtf1\\ansi\\ansicpg949 \\'b0\\'a1}", "\xEA\xB0\x80"},
        TextCase{"TraditionalChinese", "{\\rtf1\\ansi\\ansicpg950 \\'a4\\'a4}", "\xE4\xB8\xAD"},
        TextCase{"CutDoubleByte", "{\\rtf1\\ansi\\ansicpg932 a\\'82}", "a\xEF\xBF\xBD"},
        TextCase{"FontCharsets",
                 "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset204 B;}}"
                 "\\f1\\'e0\\f0\\'a1{\\f2\\'82\\'a0}}",
                 "\xD0\xB0\xC2\xA1\xE3\x81\x82"},
        TextCase{"UnicodeSkipsDoubleByteFallback",
                 "{\\rtf1\\ansi\\ansicpg932\\uc2\\u12354\\'82\\'a0x}", "\xE3\x81\x82x"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Malformed, RtfText,
    testing::Values(TextCase{"Unclosed", "{\\rtf1 Hello", "Hello"},
                    TextCase{"UnclosedInnerGroups", "{\\rtf1 a{\\b b{\\i c", "abc"},
                    TextCase{"StrayClosingBracesFirst", "}}}{\\rtf1 Hi}", "Hi"},
                    TextCase{"TextAfterDocumentIgnored", "{\\rtf1 A}B{C}", "A"},
                    TextCase{"NoGroupAtAll", "plain words", "plain words"},
                    TextCase{"TruncatedBackslash", "{\\rtf1 A\\", "A"},
                    TextCase{"TruncatedHexEscape", "{\\rtf1 A\\'", "A"},
                    TextCase{"TruncatedHexEscapeOneDigit", "{\\rtf1 A\\'4", "A4"},
                    TextCase{"TruncatedControlWord", "{\\rtf1 A\\pa", "A"},
                    TextCase{"TruncatedParameter", "{\\rtf1 A\\fs-", "A-"},
                    TextCase{"MinusWithoutDigits", "{\\rtf1 \\b-x}", "-x"},
                    TextCase{"TruncatedUnicode", "{\\rtf1 A\\u", "A"},
                    TextCase{"UnicodeFallbackAtEnd", "{\\rtf1 \\uc5\\u65 ab", "A"},
                    TextCase{"HugeUnicodeSkip", "{\\rtf1 \\uc99999999999\\u65 abc}d", "A"},
                    TextCase{"NegativeUnicodeSkip", "{\\rtf1 \\uc-5\\u65 b}", "Ab"},
                    TextCase{"HugeUnicode", "{\\rtf1 \\u99999999999 x}", "\xEF\xBF\xBD"},
                    TextCase{"HugeBinary", "{\\rtf1 a\\bin99999999999 bcd}", "a"},
                    TextCase{"NegativeBinary", "{\\rtf1 a\\bin-5 bcd}", "abcd"},
                    TextCase{"StarAtEnd", "{\\rtf1 a{\\*", "a"},
                    TextCase{"FontTableUnclosed", "{\\rtf1{\\fonttbl{\\f0 Arial", ""},
                    TextCase{"NulBytes", std::string("{\\rtf1 a\0b}", 11), "ab"}),
    caseName);

TEST(RtfReader, FontTableEntries) {
  RtfDocument doc = readRtf(
      "{\\rtf1\\deff1{\\fonttbl{\\f0\\froman\\fcharset0\\fprq2{\\*\\panose 0202}Times New "
      "Roman{\\*\\falt Times};}{\\f1\\fswiss\\fcharset204 Ari\\'e9l;}{\\f7 NoSemicolon}"
      "{\\f-3\\fcharset2 Neg;}}Hi}");
  ASSERT_EQ(doc.fonts.size(), 4u);
  EXPECT_EQ(doc.fonts[0].index, 0);
  EXPECT_EQ(doc.fonts[0].name, "Times New Roman");
  EXPECT_EQ(doc.fonts[1].index, 1);
  EXPECT_EQ(doc.fonts[1].charset, 204);
  EXPECT_EQ(doc.fonts[1].name, "Ari\xD0\xB9l");  // in the Cyrillic code page of its charset
  EXPECT_EQ(doc.fonts[2].index, 7);
  EXPECT_EQ(doc.fonts[2].name, "NoSemicolon");
  EXPECT_EQ(doc.fonts[3].index, -3);
  EXPECT_EQ(doc.fonts[3].charset, 2);
  EXPECT_EQ(doc.defaultFont, 1);
  ASSERT_EQ(doc.paragraphs.size(), 1u);
  EXPECT_EQ(doc.paragraphs[0].runs.at(0).font, 1);
}

TEST(RtfReader, FontTableWithoutGroupsAndRedefinedIndex) {
  RtfDocument doc = readRtf("{\\rtf1{\\fonttbl\\f0\\fswiss Helvetica;\\f1 Courier;\\f0 Arial;}x}");
  ASSERT_EQ(doc.fonts.size(), 2u);
  EXPECT_EQ(doc.fonts[0].index, 0);
  EXPECT_EQ(doc.fonts[0].name, "Arial");
  EXPECT_EQ(doc.fonts[1].index, 1);
  EXPECT_EQ(doc.fonts[1].name, "Courier");
  EXPECT_EQ(doc.text(), "x");
}

// Formatting runs.

struct RunView {
  std::string text;
  int font;
  int halfPoints;
  bool bold, italic, underline, strike;
  friend bool operator==(const RunView&, const RunView&) = default;
  friend std::ostream& operator<<(std::ostream& os, const RunView& r) {
    return os << '"' << r.text << "\" f" << r.font << " fs" << r.halfPoints << (r.bold ? " b" : "")
              << (r.italic ? " i" : "") << (r.underline ? " ul" : "")
              << (r.strike ? " strike" : "");
  }
};

std::vector<RunView> runsOf(const RtfParagraph& p) {
  std::vector<RunView> out;
  for (const auto& r : p.runs)
    out.push_back({r.text, r.font, r.halfPoints, r.bold, r.italic, r.underline, r.strike});
  return out;
}

std::vector<RunView> runsOf(const std::string& rtf) {
  RtfDocument doc = readRtf(rtf);
  EXPECT_EQ(doc.paragraphs.size(), 1u) << rtf;
  return doc.paragraphs.empty() ? std::vector<RunView>{} : runsOf(doc.paragraphs[0]);
}

TEST(RtfRuns, GroupRestoresFormatting) {
  EXPECT_EQ(runsOf("{\\rtf1 a{\\b\\i\\ul\\strike\\fs40\\f3 b}c}"),
            (std::vector<RunView>{{"a", 0, 24, false, false, false, false},
                                  {"b", 3, 40, true, true, true, true},
                                  {"c", 0, 24, false, false, false, false}}));
}

TEST(RtfRuns, ZeroParameterTurnsOff) {
  EXPECT_EQ(runsOf("{\\rtf1 \\b\\i\\ul\\strike a\\b0 b\\i0 c\\ul0 d\\strike0 e}"),
            (std::vector<RunView>{{"a", 0, 24, true, true, true, true},
                                  {"b", 0, 24, false, true, true, true},
                                  {"c", 0, 24, false, false, true, true},
                                  {"d", 0, 24, false, false, false, true},
                                  {"e", 0, 24, false, false, false, false}}));
}

TEST(RtfRuns, UnderlineVariantsAndNone) {
  EXPECT_EQ(runsOf("{\\rtf1 \\uldb a\\ulnone b\\ulwave c\\ul0 d\\striked1 e}"),
            (std::vector<RunView>{{"a", 0, 24, false, false, true, false},
                                  {"b", 0, 24, false, false, false, false},
                                  {"c", 0, 24, false, false, true, false},
                                  {"d", 0, 24, false, false, false, false},
                                  {"e", 0, 24, false, false, false, true}}));
}

TEST(RtfRuns, PlainResetsToDefaultFontAndSize) {
  EXPECT_EQ(runsOf("{\\rtf1\\deff2 \\f1\\fs16\\b\\i\\ul\\strike a\\plain b\\fs30 c\\fs d}"),
            (std::vector<RunView>{{"a", 1, 16, true, true, true, true},
                                  {"b", 2, 24, false, false, false, false},
                                  {"c", 2, 30, false, false, false, false},
                                  {"d", 2, 24, false, false, false, false}}));
}

TEST(RtfRuns, SameFormattingMergesIntoOneRun) {
  auto runs = runsOf("{\\rtf1 \\b a{\\b b}\\b1 c\\i\\i0 d\\'41\\u66 ?}");
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].text, "abcdAB");
  EXPECT_TRUE(runs[0].bold);
}

TEST(RtfRuns, FormattingWithoutTextMakesNoRun) {
  RtfDocument doc = readRtf("{\\rtf1 \\b\\par{\\i}\\fs8 x}");
  ASSERT_EQ(doc.paragraphs.size(), 2u);
  EXPECT_TRUE(doc.paragraphs[0].runs.empty());
  EXPECT_EQ(runsOf(doc.paragraphs[1]),
            (std::vector<RunView>{{"x", 0, 8, true, false, false, false}}));
}

TEST(RtfParagraphs, AlignmentInEffectWhereParagraphEnds) {
  RtfDocument doc = readRtf(
      "{\\rtf1 \\qr a\\par \\qc b\\par \\pard c\\par \\qj d\\par \\qd e\\par \\pard{\\qr f}\\par "
      "\\ql\\qc g}");
  std::vector<RtfAlignment> got;
  for (const auto& p : doc.paragraphs) got.push_back(p.alignment);
  EXPECT_EQ(
      got, (std::vector<RtfAlignment>{RtfAlignment::Right, RtfAlignment::Center, RtfAlignment::Left,
                                      RtfAlignment::Justify, RtfAlignment::Justify,
                                      RtfAlignment::Left, RtfAlignment::Center}));
  EXPECT_EQ(doc.text(), "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng");
}

TEST(RtfParagraphs, PardKeepsCharacterFormatting) {
  auto runs = runsOf("{\\rtf1 \\qc\\b\\pard x}");
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(runs[0].bold);
  EXPECT_EQ(readRtf("{\\rtf1 \\qc\\b\\pard x}").paragraphs[0].alignment, RtfAlignment::Left);
}

struct ParagraphCase {
  const char* name;
  std::string rtf;
  std::string text;
  std::size_t paragraphs;
};

void PrintTo(const ParagraphCase& c, std::ostream* os) {
  *os << c.name;
}

class ParagraphBreaks : public testing::TestWithParam<ParagraphCase> {};

TEST_P(ParagraphBreaks, GiveOneLinePerParagraph) {
  RtfDocument doc = readRtf(GetParam().rtf);
  EXPECT_EQ(doc.text(), GetParam().text);
  EXPECT_EQ(doc.paragraphs.size(), GetParam().paragraphs);
}

INSTANTIATE_TEST_SUITE_P(
    Rtf, ParagraphBreaks,
    testing::Values(ParagraphCase{"FinalParClosesLast", "{\\rtf1 a\\par}", "a", 1},
                    ParagraphCase{"TextAfterLastPar", "{\\rtf1 a\\par b}", "a\r\nb", 2},
                    ParagraphCase{"TwoFinalPars", "{\\rtf1 a\\par\\par}", "a\r\n", 2},
                    ParagraphCase{"LeadingPar", "{\\rtf1 \\par a}", "\r\na", 2},
                    ParagraphCase{"OnlyPar", "{\\rtf1 \\par}", "", 1},
                    ParagraphCase{"Nothing", "{\\rtf1 }", "", 0},
                    ParagraphCase{"ParInSkippedDestination", "{\\rtf1 a{\\*\\x \\par}b}", "ab", 1}),
    [](const testing::TestParamInfo<ParagraphCase>& info) { return std::string(info.param.name); });

TEST(RtfMalformed, NumericParametersClampTo32Bits) {
  auto runs =
      runsOf("{\\rtf1 \\fs99999999999999999999 a\\fs-99999999999999999999 b\\f4294967296 c}");
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].halfPoints, 2147483647);
  EXPECT_EQ(runs[1].halfPoints, -2147483647 - 1);
  EXPECT_EQ(runs[2].font, 2147483647);
}

TEST(RtfMalformed, LongControlWordIsOneWord) {
  std::string rtf = "{\\rtf1 a\\" + std::string(100000, 'x') + "123 b}";
  EXPECT_EQ(readRtf(rtf).text(), "ab");
}

TEST(RtfMalformed, NestingWithinTheLimitKeepsText) {
  std::string rtf =
      "{\\rtf1 " + std::string(150, '{') + "\\b deep" + std::string(150, '}') + " after}";
  RtfDocument doc = readRtf(rtf);
  EXPECT_EQ(doc.text(), "deep after");
  ASSERT_EQ(doc.paragraphs.size(), 1u);
  ASSERT_EQ(doc.paragraphs[0].runs.size(), 2u);
  EXPECT_TRUE(doc.paragraphs[0].runs[0].bold);
  EXPECT_FALSE(doc.paragraphs[0].runs[1].bold);
}

TEST(RtfMalformed, ExcessiveNestingIsDroppedAndBalanced) {
  std::string rtf = "{\\rtf1 before " + std::string(100000, '{') + "deep\\par" +
                    std::string(100000, '}') + " after}";
  EXPECT_EQ(readRtf(rtf).text(), "before  after");
}

TEST(RtfMalformed, ExcessiveNestingUnclosed) {
  std::string rtf = "{\\rtf1 x" + std::string(1000000, '{') + "y";
  EXPECT_EQ(readRtf(rtf).text(), "x");
}

}  // namespace
}  // namespace kadrelle
