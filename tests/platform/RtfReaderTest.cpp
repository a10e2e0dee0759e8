// Documents read to their plain text and their model of fonts, paragraphs and runs; and real
// documents written by other programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/FileIo.h"
#include "platform/RtfDocument.h"
#include "platform/Text.h"

namespace kadrelle {
namespace {

namespace fs = std::filesystem;

// The document model on one line: the fonts ("f<index>:<charset>:<name>"), a default font other
// than 0, then per paragraph "|" and its alignment, and per run its text, font/size and
// b(old) i(talic) u(nderline) s(trike).
std::string model(const RtfDocument& d) {
  std::ostringstream os;
  for (const RtfFont& f : d.fonts) os << " f" << f.index << ":" << f.charset << ":" << f.name;
  if (d.defaultFont != 0) os << " deff" << d.defaultFont;
  for (const RtfParagraph& p : d.paragraphs) {
    os << " |" << ("LRCJ"[static_cast<int>(p.alignment)]);
    for (const RtfRun& r : p.runs)
      os << " \"" << r.text << "\"" << r.font << "/" << r.halfPoints << (r.bold ? "b" : "")
         << (r.italic ? "i" : "") << (r.underline ? "u" : "") << (r.strike ? "s" : "");
  }
  return os.str().erase(0, 1);
}

TEST(RtfReader, ReadsTheTextAndModel) {
  struct R {
    std::string rtf, text;
    const char* model = nullptr;
  };
  const auto doc = [](const std::string& body) { return "{\\rtf1\\ansi " + body + "}"; };
  // The head of every caption document, up to and including the line break after the font table.
  const std::string head =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
      "{\\f2\\fnil\\fcharset2 Symbol;}}\r\n\\viewkind4\\pard\\slmult1\\i0";
  const auto caption = [&](const std::string& body) {
    return head + "\\ql\\b0\\fs16 " + body + "\\par}";
  };
  for (const R& c :
       {// Documents as the caption builds them, read back to the plain text the layout measures.
        // The delimiter space of "\fs13" is markup; the second space is the visible gap.
        R{caption("Speed Limit\\slmult1\\b0\\fs13  (RPM)"), "Speed Limit (RPM)"},
        R{head + "\\qc\\b1\\fs16 Speed Limit\\par\\slmult1\\b0\\fs16 (RPM)\\par}",
          "Speed Limit\r\n(RPM)",
          "f0:0:Arial f2:2:Symbol |C \"Speed Limit\"0/16b |C \"(RPM)\"0/16"},
        R{caption("Speed Limit"), "Speed Limit"},
        R{head + "\\b0\\fs22 Speed Limit\\par}", "Speed Limit"},
        R{caption("\\slmult1\\b0\\fs13  (RPM)"), " (RPM)"},
        R{caption("\\par\\slmult1\\b0\\fs16 (RPM)"), "\r\n(RPM)"}, R{caption(""), ""},
        R{caption("A\\slmult1\\b0\\fs0  (B)\\slmult1\\b0\\fs-13  (C)"), "A (B) (C)"},
        // Descriptions are inserted unescaped, so their backslashes and braces are markup.
        R{caption("Torque {\\b max}"), "Torque max"}, R{caption("C:\\temp"), "C:"},
        R{caption("Path\\\\slmult1\\b0\\fs13  (RPM)"), "Path\\slmult1 (RPM)"},
        R{caption("Speed {Limit\\slmult1\\b0\\fs13  (RPM)"), "Speed Limit (RPM)"},
        R{caption("Speed }Limit\\slmult1\\b0\\fs13  (RPM)"), "Speed "},
        R{caption("Temperatur \u00B0C"), "Temperatur \u00B0C"},
        R{head + "\\qr\\b1\\fs20 Speed Limit\\slmult1\\b0\\fs16  (RPM)\\par}", "Speed Limit (RPM)",
          "f0:0:Arial f2:2:Symbol |R \"Speed Limit\"0/20b \" (RPM)\"0/16"},
        // "\fs13 " eats one space only; "\b0" ends at the first character not a letter or digit.
        R{"{\\rtf1 \\fs13   x\\b0.y}", "  x.y"}, R{doc("caf\\'e9"), "caf\u00E9"},
        R{doc("\\'80"), "\u20AC"}, R{doc("\\'81"), "\u0081"},  // unassigned: keeps its value
        R{doc("a\\'00b"), "ab"}, R{doc("\\'zz"), "zz"}, R{doc("\\u8364?x"), "\u20ACx"},
        R{doc("\\u8364\\'80x"), "\u20ACx"}, R{doc("\\u-4064?"), "\uF020"},
        R{doc("\\uc0\\u8364 x"), "\u20ACx"}, R{doc("\\uc2\\u8364 ab c"), "\u20AC c"},
        R{doc("\\u8364\\emdash x"), "\u20ACx"}, R{doc("{\\uc3\\u8364 a}bc"), "\u20ACbc"},
        R{doc("{\\uc0 x}\\u8364 ?y"), "x\u20ACy"}, R{doc("\\u-10179?\\u-8704?"), "\U0001F600"},
        R{doc("\\u-10179?x"), "\uFFFDx"}, R{doc("\\u-8704?x"), "\uFFFDx"}, R{doc("a\\u0 ?b"), "ab"},
        R{doc("\\u-40000?"), "\uFFFD"}, R{doc("\\{a\\}\\\\"), "{a}\\"}, R{doc("a\\tab b"), "a\tb"},
        R{doc("a\\line b"), "a\nb"}, R{doc("a\\~b"), "a\u00A0b"},
        R{doc("a\\-b"), "ab"},  // optional hyphen
        R{doc("a\\_b"), "a\u2011b"},
        R{doc("\\lquote\\rquote\\ldblquote\\rdblquote"), "\u2018\u2019\u201C\u201D"},
        R{doc("\\emdash\\endash\\bullet"), "\u2014\u2013\u2022"}, R{doc("a\r\nb\rc\nd"), "abcd"},
        R{doc("a\\\r\nb"), "a\r\nb"},
        // Raw bytes: UTF-8 where they are UTF-8, otherwise Windows-1252.
        R{doc("\u20AC \u00E9"), "\u20AC \u00E9"}, R{doc("\260C"), "\u00B0C"},
        R{doc("\xC0\xAF"), "\u00C0\u00AF"}, R{doc("\xE2\x82"), "\u00E2\u201A"},
        R{doc("a\\foo12 b\\bar-3c"), "abc"}, R{doc("a\\|b\\:c"), "abc"},
        R{doc("a{\\v hidden}b\\v c\\v0 d"), "abd"},
        // Destinations that hold no text, fields, tables and lists.
        R{doc("{\\*\\generator Riched20 10.0;}Hi"), "Hi"},
        R{doc("{\\*\\mystery {a{b}c} d\\par e}Hi"), "Hi"},
        R{doc("{\\colortbl ;\\red255\\green0\\blue0;}{\\revtbl{Unknown;}}Hi"), "Hi"},
        R{doc("{\\pict\\bin4 }}{{}Hi"), "Hi"}, R{doc("a\\bin3 x}yb"), "ab"},
        R{doc("{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}} text"), "link text"},
        R{doc("a\\*b"), "ab"},
        R{doc("a{\\objdata 01}{\\nonesttables x}{\\listpicture y}{\\operator z}b"), "ab"},
        R{doc("\\trowd a\\cell b\\cell\\row\\trowd c\\cell\\row"), "a\tb\t\r\nc\t"},
        R{doc("a\\cell\\row\\pard b\\par"), "a\t\r\nb"}, R{doc("a\\par b\\cell\\row"), "a\r\nb\t"},
        R{doc("{\\pard\\intbl a\\par}\\cell\\pard\\itap1 b\\par c\\par\\cell\\row d"),
          "a\tb\r\nc\t\r\nd"},
        R{doc("\\intbl x\\nestcell{\\*\\nesttableprops\\nestrow}y\\cell\\row"), "x\t\r\ny\t"},
        R{doc("{\\listtext\\'95\\tab}x\\par\\bullet\\tab y"), "\u2022\tx\r\n\u2022\ty"},
        // Code pages: the document's "\ansicpg", or the font's character set, through iconv.
        R{"{\\rtf1\\ansi\\ansicpg28591 \\'80\\'e9}", "\u0080\u00E9"},
        R{"{\\rtf1\\ansi\\ansicpg1251 \\'e0A}", "\u0430A"},
        R{"{\\rtf1\\ansi\\ansicpg1250 \\'9a\\'e8}", "\u0161\u010D"},
        R{"{\\rtf1\\ansi\\ansicpg874 \\'a1}", "\u0E01"},
        R{"{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0\\'83@x}", "\u3042\u30A1x"},
        R{"{\\rtf1\\ansi\\ansicpg936 \\'c4\\'e3}", "\u4F60"},
        R{"{\\rtf1\\ansi\\ansicpg949 \\'b0\\'a1}", "\uAC00"},
        R{"{\\rtf1\\ansi\\ansicpg950 \\'a4\\'a4}", "\u4E2D"},
        R{"{\\rtf1\\ansi\\ansicpg932 a\\'82}", "a\uFFFD"},
        // A font's own code page outweighs its character set, in either order.
        R{"{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset204 B;}"
          "{\\f3\\cpg1251\\fcharset0 C;}}\\f1\\'e0\\f0\\'a1{\\f2\\'82\\'a0}\\f3\\'e0}",
          "\u0430\u00A1\u3042\u0430"},
        R{"{\\rtf1\\ansi\\ansicpg932\\uc2\\u12354\\'82\\'a0x}", "\u3042x"},
        // Malformed input: never a crash or a hang; what could be read is shown.
        R{"{\\rtf1 Hello", "Hello"}, R{"{\\rtf1 a{\\b b{\\i c", "abc"}, R{"}}}{\\rtf1 Hi}", "Hi"},
        R{"{\\rtf1 A}B{C}", "A"}, R{"plain words", "plain words"}, R{"{\\rtf1 A\\", "A"},
        R{"{\\rtf1 A\\'", "A"}, R{"{\\rtf1 A\\'4", "A4"}, R{"{\\rtf1 A\\pa", "A"},
        R{"{\\rtf1 A\\fs-", "A-"}, R{"{\\rtf1 \\b-x}", "-x"}, R{"{\\rtf1 A\\u", "A"},
        R{"{\\rtf1 \\uc5\\u65 ab", "A"}, R{"{\\rtf1 \\uc99999999999\\u65 abc}d", "A"},
        R{"{\\rtf1 \\uc-5\\u65 b}", "Ab"}, R{"{\\rtf1 \\u99999999999 x}", "\uFFFD"},
        R{"{\\rtf1 a\\bin99999999999 bcd}", "a"}, R{"{\\rtf1 a\\bin-5 bcd}", "abcd"},
        R{"{\\rtf1 a{\\*", "a"}, R{"{\\rtf1{\\fonttbl{\\f0 Arial", ""},
        R{std::string("{\\rtf1 a\0b}", 11), "ab"},
        R{"{\\rtf1 a\\" + std::string(100000, 'x') + "123 b}", "ab"},
        R{"{\\rtf1 \\fs99999999999999999999 a\\fs-99999999999999999999 b\\f4294967296 c}", "abc",
          "|L \"a\"0/2147483647 \"b\"0/-2147483648 \"c\"2147483647/-2147483648"},
        // Nesting within the limit keeps the formatting; beyond it the excess is dropped.
        R{"{\\rtf1 " + std::string(150, '{') + "\\b deep" + std::string(150, '}') + " after}",
          "deep after", "|L \"deep\"0/24b \" after\"0/24"},
        R{"{\\rtf1 before " + std::string(100000, '{') + "deep\\par" + std::string(100000, '}') +
              " after}",
          "before  after"},
        R{"{\\rtf1 x" + std::string(1000000, '{') + "y", "x"},
        // Font tables.
        R{"{\\rtf1\\deff1{\\fonttbl{\\f0\\froman\\fcharset0\\fprq2{\\*\\panose 0202}Times New "
          "Roman{\\*\\falt Times};}{\\f1\\fswiss\\fcharset204 Ari\\'e9l;}{\\f7 NoSemicolon}"
          "{\\f-3\\fcharset2 Neg;}}Hi}",
          "Hi",  // the name in the Cyrillic code page of its charset
          "f0:0:Times New Roman f1:204:Ari\u0439l f7:0:NoSemicolon f-3:2:Neg deff1 |L \"Hi\"1/24"},
        R{"{\\rtf1{\\fonttbl\\f0\\fswiss Helvetica;\\f1 Courier;\\f0 Arial;}x}", "x",
          "f0:0:Arial f1:0:Courier |L \"x\"0/24"},
        // Runs and paragraphs.
        R{"{\\rtf1 a{\\b\\i\\ul\\strike\\fs40\\f3 b}c}", "abc",
          "|L \"a\"0/24 \"b\"3/40bius \"c\"0/24"},
        R{"{\\rtf1 \\b\\i\\ul\\strike a\\b0 b\\i0 c\\ul0 d\\strike0 e}", "abcde",
          "|L \"a\"0/24bius \"b\"0/24ius \"c\"0/24us \"d\"0/24s \"e\"0/24"},
        R{"{\\rtf1 \\uldb a\\ulnone b\\ulwave c\\ul0 d\\striked1 e}", "abcde",
          "|L \"a\"0/24u \"b\"0/24 \"c\"0/24u \"d\"0/24 \"e\"0/24s"},
        R{"{\\rtf1\\deff2 \\f1\\fs16\\b\\i\\ul\\strike a\\plain b\\fs30 c\\fs d}", "abcd",
          "deff2 |L \"a\"1/16bius \"b\"2/24 \"c\"2/30 \"d\"2/24"},
        // The same formatting makes one run; formatting without text makes none.
        R{"{\\rtf1 \\b a{\\b b}\\b1 c\\i\\i0 d\\'41\\u66 ?}", "abcdAB", "|L \"abcdAB\"0/24b"},
        R{"{\\rtf1 \\b\\par{\\i}\\fs8 x}", "\r\nx", "|L |L \"x\"0/8b"},
        // The alignment in effect where the paragraph ends; "\pard" keeps character formatting.
        R{"{\\rtf1 \\qr a\\par \\qc b\\par \\pard c\\par \\qj d\\par \\qd e\\par \\pard{\\qr f}"
          "\\par \\ql\\qc g}",
          "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng",
          "|R \"a\"0/24 |C \"b\"0/24 |L \"c\"0/24 |J \"d\"0/24 |J \"e\"0/24 |L \"f\"0/24 |C "
          "\"g\"0/24"},
        R{"{\\rtf1 \\qc\\b\\pard x}", "x", "|L \"x\"0/24b"},
        // One line per paragraph.
        R{"{\\rtf1 a\\par}", "a", "|L \"a\"0/24"},
        R{"{\\rtf1 a\\par b}", "a\r\nb", "|L \"a\"0/24 |L \"b\"0/24"},
        R{"{\\rtf1 a\\par\\par}", "a\r\n", "|L \"a\"0/24 |L"},
        R{"{\\rtf1 \\par a}", "\r\na", "|L |L \"a\"0/24"}, R{"{\\rtf1 \\par}", "", "|L"},
        R{"{\\rtf1 }", "", ""}, R{"{\\rtf1 a{\\*\\x \\par}b}", "ab", "|L \"ab\"0/24"}}) {
    SCOPED_TRACE(c.rtf.substr(0, 160));
    const RtfDocument d = readRtf(c.rtf);
    EXPECT_EQ(d.text(), c.text);
    EXPECT_EQ(c.model ? model(d) : "", c.model ? c.model : "");
  }
}

// The words of a text: white space (no-break spaces too) and the expected files' cell bars
// separate them.
std::vector<std::string> words(std::string text) {
  text = replaceAll(text, "\u00A0", " ");
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '|' || c == '\f'; }, ' ');
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

// The shared corpus beside the repository (never copied into it): each document must give the
// text a person reading it would see; where the corpus holds the expected plain text, the same
// words in the same order.
TEST(RtfReader, CorpusDocumentsGiveTheTextAReaderSees) {
  const char* env = std::getenv("KADRELLE_RTF_CORPUS");
  const fs::path corpus = env && *env ? env : KADRELLE_RTF_CORPUS, docs = corpus / "docs";
  std::error_code ec;
  int read = 0;
  for (fs::recursive_directory_iterator it(docs, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() != ".rtf") continue;
    const std::string name = fs::relative(it->path(), docs).generic_string();
    SCOPED_TRACE(name);
    ++read;
    const std::string text = readRtf(readFileCapped(it->path(), 1 << 26)).text();
    fs::path expectedFile = corpus / "expected" / name;
    for (const char* extension : {".txt", ".ans"}) {
      expectedFile.replace_extension(extension);
      if (fs::exists(expectedFile)) break;
    }
    if (!fs::exists(expectedFile)) continue;
    // The expected files come from another reader, which writes a link's target in parentheses
    // after its text ("site(\"https://...\")") and an optional hyphen as a soft hyphen, and leaves
    // out list bullets (one document's arrow bullet).
    std::string expected = replaceAll(readFileCapped(expectedFile, 1 << 26), "\u00AD", "");
    for (std::size_t open; (open = expected.find("(\"")) != std::string::npos;) {
      const std::size_t close = expected.find("\")", open + 2);
      if (close == std::string::npos) break;
      expected.erase(open, close + 2 - open);
    }
    std::vector<std::string> shown = words(text), seen = words(expected);
    std::erase(shown, "\u27A2");
    // One file holds a second document after the first one's end, which the other reader goes on
    // into (joining the first's last word to it); a program opening the file shows the first.
    if (name == "joshy-striprtf/encoding.rtf" && !shown.empty() && seen.size() > shown.size()) {
      shown.pop_back();
      seen.resize(shown.size());
    }
    EXPECT_EQ(shown, seen) << text;
  }
  if (read == 0) GTEST_SKIP() << "no RTF corpus at " << corpus;
}

}  // namespace
}  // namespace kadrelle
