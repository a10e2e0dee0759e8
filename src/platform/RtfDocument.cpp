#include "platform/RtfDocument.h"

namespace kadrelle {

std::string RtfParagraph::text() const {
  std::string t;
  for (const auto& run : runs) t += run.text;
  return t;
}

std::string RtfDocument::text() const {
  std::string t;
  for (std::size_t i = 0; i < paragraphs.size(); ++i) {
    if (i) t += "\r\n";
    t += paragraphs[i].text();
  }
  return t;
}

}  // namespace kadrelle
