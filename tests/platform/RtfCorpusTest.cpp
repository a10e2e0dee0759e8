// Real documents written by other programs, read from the shared corpus beside the repository
// (never copied into it). Each must give the text a person reading it would see: where the corpus
// holds the expected plain text, the same words in the same order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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

fs::path corpusFolder() {
  if (const char* env = std::getenv("KADRELLE_RTF_CORPUS"); env && *env) return env;
  return KADRELLE_RTF_CORPUS;
}

std::vector<std::string> corpusFiles() {
  std::vector<std::string> files;
  std::error_code ec;
  const fs::path docs = corpusFolder() / "docs";
  for (fs::recursive_directory_iterator it(docs, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() == ".rtf")
      files.push_back(fs::relative(it->path(), docs).generic_string());
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) files.push_back("");  // one case that reports the corpus missing
  return files;
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

class RtfCorpus : public testing::TestWithParam<std::string> {};

TEST_P(RtfCorpus, GivesTheTextAReaderSees) {
  if (GetParam().empty()) GTEST_SKIP() << "no RTF corpus at " << corpusFolder();
  const std::string text =
      readRtf(readFileCapped(corpusFolder() / "docs" / GetParam(), 1 << 26)).text();
  fs::path expectedFile = corpusFolder() / "expected" / GetParam();
  for (const char* extension : {".txt", ".ans"}) {
    expectedFile.replace_extension(extension);
    if (fs::exists(expectedFile)) break;
  }
  if (!fs::exists(expectedFile)) return;
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
  if (GetParam() == "joshy-striprtf/encoding.rtf" && !shown.empty() && seen.size() > shown.size()) {
    shown.pop_back();
    seen.resize(shown.size());
  }
  EXPECT_EQ(shown, seen) << text;
}

INSTANTIATE_TEST_SUITE_P(Documents, RtfCorpus, testing::ValuesIn(corpusFiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param.empty() ? "missing" : info.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace kadrelle
