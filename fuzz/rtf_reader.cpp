// libFuzzer harness for the RTF reader: any input must read without crashing, and what comes out
// must be well-formed (valid UTF-8 text, no empty runs).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/RtfDocument.h"

namespace {

bool validUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rtf(reinterpret_cast<const char*>(data), size);
  kadrelle::RtfDocument doc = kadrelle::readRtf(rtf);
  std::string text = doc.text();
  if (!validUtf8(text)) std::abort();
  for (const auto& p : doc.paragraphs)
    for (const auto& r : p.runs)
      if (r.text.empty()) std::abort();
  for (const auto& f : doc.fonts)
    if (!validUtf8(f.name)) std::abort();
  return 0;
}
