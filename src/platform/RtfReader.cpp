#include <cctype>

#include "platform/RtfDocument.h"

namespace kadrelle {

// Interim reader: plain text only (control words and groups skipped, \par ends a paragraph).
RtfDocument readRtf(std::string_view rtf) {
  RtfDocument doc;
  RtfParagraph current;
  RtfRun run;
  int depth = 0;
  int skipDepth = -1;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    char c = rtf[i];
    if (c == '{') {
      ++depth;
      if (rtf.substr(i, 9) == "{\\fonttbl") skipDepth = depth;
    } else if (c == '}') {
      if (depth == skipDepth) skipDepth = -1;
      --depth;
    } else if (c == '\\') {
      std::size_t j = i + 1;
      while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
      std::string_view word = rtf.substr(i + 1, j - i - 1);
      while (j < rtf.size() && (rtf[j] == '-' || std::isdigit(static_cast<unsigned char>(rtf[j]))))
        ++j;
      if (j < rtf.size() && rtf[j] == ' ') ++j;
      if (word == "par" && skipDepth < 0) {
        current.runs.push_back(run);
        doc.paragraphs.push_back(current);
        current = {};
        run.text.clear();
      }
      i = j - 1;
    } else if (c != '\r' && c != '\n' && skipDepth < 0) {
      run.text += c;
    }
  }
  if (!run.text.empty()) {
    current.runs.push_back(run);
    doc.paragraphs.push_back(current);
  }
  return doc;
}

}  // namespace kadrelle
