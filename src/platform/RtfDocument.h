#pragma once

#include <string>
#include <string_view>
#include <vector>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// What the RTF reader makes of a document: its font table and its paragraphs, each a list of
// formatting runs. Text is UTF-8.
struct RtfFont {
  int index = 0;
  int charset = 0;   // "\fcharset"
  int codePage = 0;  // "\cpg" or the code page of the character set; 0: the document's
  std::string name;
};

struct RtfRun {
  std::string text;
  int font = 0;
  int halfPoints = 24;  // "\fs": size in half-points, as written (may be 0 or negative)
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike = false;
};

enum class RtfAlignment { Left, Right, Center, Justify };

struct RtfParagraph {
  RtfAlignment alignment = RtfAlignment::Left;
  std::vector<RtfRun> runs;
  std::string text() const;
};

struct RtfDocument {
  std::vector<RtfFont> fonts;
  std::vector<RtfParagraph> paragraphs;
  int codePage = 1252;  // "\ansicpg"
  int defaultFont = 0;  // "\deff": the font of text that selects none and of "\plain"
  // One line per paragraph, lines joined by CR LF, no line break at the end.
  std::string text() const;
};

// Reads an RTF document. Never fails: malformed input (unbalanced braces, truncated control
// words, huge numbers, deep nesting) gives whatever could be read.
//
// What is understood:
//  - Groups; character and paragraph formatting and "\uc" are scoped to the group that sets them.
//    Reading ends where the outermost group closes, unless more markup (a backslash or a brace)
//    follows: then the closing brace was a stray one and reading goes on. An unclosed document
//    ends with the input.
//    Groups nested deeper than 200 levels are read as if they were skipped destinations.
//  - Control words with an optional signed numeric parameter (clamped to 32-bit range), ended by
//    one optional space; control symbols. Unknown words and symbols are ignored.
//  - "\fonttbl": one entry per "\fN ... name;" (with "\fcharsetN", "\cpgN"), in groups or not; an
//  entry
//    whose name is not ended by ';' is taken when its group closes. Sub-groups such as
//    "{\*\panose ...}" are skipped.
//  - Skipped destinations: every group that starts with "\*", and "\colortbl", "\stylesheet",
//    "\info", "\pict", "\object", headers, footers, footnotes, annotations, field instructions
//    ("\fldinst"; the field result is shown), list tables, "\pntext", the fallback text for
//    readers without nested tables ("\nonesttables") and the like. "\binN" data is skipped
//    without looking at it. List numbers and bullets ("\listtext") are shown.
//  - Paragraphs: "\par" (and a backslash before a CR or LF) ends one; a final "\par" closes the
//  last
//    paragraph without starting an empty one, and text after the last "\par" forms a final
//    paragraph when there is any. A paragraph's alignment ("\ql", "\qr", "\qc", "\qj"; "\qd" as
//    justified) is the one in effect where the paragraph ends; "\pard" resets it to left.
//  - Tables: "\cell" and "\nestcell" end a cell with a TAB; "\row" and "\nestrow" (also inside
//    "{\*\nesttableprops}") end the row's line. The last paragraph of a cell ("\intbl" ... "\par"
//    "\cell") ends with the cell, so a row is one line, and what follows a table starts its own.
//  - Characters: "\plain", "\b", "\i", "\ul" and its variants / "\ulnone", "\strike" / "\striked1",
//    each turned off by a parameter of 0; "\fsN" ("\fs" alone is 24), "\fN", "\deffN". Hidden text
//    ("\v") is not shown.
//  - Text: CR and LF in the source are ignored and NUL characters dropped. "\'hh" and bytes above
//    127 written directly are decoded in the code page of the current font's "\cpg" or
//    "\fcharset" (0 is 1252; 238 1250, 204 1251, 161 1253, 162 1254, 177 1255, 178 1256, 186
//    1257, 163 1258, 222 874, 128 932, 134 936, 129 949, 136 950, 77 Macintosh), else in the
//    document's "\ansicpg" (1252 by default). 1252 and 28591 are decoded here, the others
//    through the C library's iconv, double-byte characters from their two bytes (the second may
//    be a plain character); a byte that does not decode becomes U+FFFD. Under code page 1252,
//    bytes above 127 written directly are taken as UTF-8 when they form a valid sequence (the
//    control inserts its UTF-8 texts unescaped).
//    "\uN" (negative N is N + 65536; surrogate pairs combine, lone halves become U+FFFD) skips the
//    "\ucN" (default 1) fallback characters that follow it; each text byte, "\'hh", control word
//    or control symbol counts as one (so "\uc2" skips both bytes of a double-byte fallback), and
//    a brace ends the fallback.
//  - "\{", "\}", "\\" are the characters themselves; "\tab" is a TAB, "\line" a LF inside the
//    paragraph, "\~" U+00A0, "\_" U+2011, "\-" nothing; "\emdash", "\endash", "\bullet",
//    "\lquote", "\rquote", "\ldblquote", "\rdblquote" their characters.
//
// Runs hold text only (no empty runs); adjacent text with the same formatting is one run.
RtfDocument readRtf(std::string_view rtf);

}  // namespace kadrelle
#pragma GCC visibility pop
