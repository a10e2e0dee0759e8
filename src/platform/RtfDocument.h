#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kadrelle {

// What the RTF reader makes of a document: its font table and its paragraphs, each a list of
// formatting runs. Text is UTF-8.
struct RtfFont {
  int index = 0;
  int charset = 0;
  std::string name;
};

struct RtfRun {
  std::string text;
  int font = 0;
  int halfPoints = 24;  // "\fs": size in half-points
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
  // One line per paragraph, lines joined by CR LF, no line break at the end.
  std::string text() const;
};

// Reads an RTF document. Never fails: malformed input (unbalanced braces, truncated control
// words, huge numbers) gives whatever could be read.
RtfDocument readRtf(std::string_view rtf);

}  // namespace kadrelle
