// Feeds arbitrary descriptions, units and caption font names to the caption's document: the
// control must build it without crashing, the RTF reader must read it, and a plain description
// (printable ASCII without RTF's special characters) must come back as the document's text.
// Input: description, NUL, units, NUL, font name, NUL, one byte of options.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Harness.h"
#include "platform/Error.h"
#include "platform/RtfDocument.h"
#include "platform/StdFont.h"

namespace {

using namespace kadrelle;

// Keeps the document the control traces at level 16.
class Capture : public DebugChannel {
 public:
  void Output(std::string_view line) override {
    static constexpr std::string_view kStart = "Kadrelle.MakeCaptionRTF [";
    if (line.substr(0, kStart.size()) == kStart && line.find("{\\rtf1") != std::string_view::npos)
      last = std::string(line);
  }
  std::string last;
};

class CaptionTrace : public SettingsStore {
 public:
  std::string GetSetting(const std::string&, const std::string&, const std::string&,
                         const std::string&) override {
    return "16";
  }
};

std::string_view field(std::string_view& input) {
  const std::size_t end = input.find('\0');
  std::string_view f = input.substr(0, end);
  input = end == std::string_view::npos ? std::string_view{} : input.substr(end + 1);
  return f;
}

bool plain(std::string_view s) {
  for (char c : s)
    if (c < 0x20 || c > 0x7e || c == '\\' || c == '{' || c == '}' || c == '&') return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string description(field(input));
  std::string units(field(input));
  const std::string fontName(field(input));
  const std::uint8_t options = input.empty() ? 0 : static_cast<std::uint8_t>(input[0]);

  fuzz::Harness h;
  CaptionTrace settings;
  Capture capture;
  Form form({h.toolkit, h.boxes, h.library(), settings, capture});
  Kadrelle& k = form.addNew("", {});
  try {
    k.put_CaptionPosition(static_cast<CaptionPositions>(options % 4));
    k.put_EditorPosition(options / 4 % 5);
    k.get_CaptionFont()->put_Name(fontName);
    k.get_CaptionFont()->put_Bold(Boolean(options & 0x40));
    k.put_UnitsFontScale(options & 0x80 ? 625 : 100);
    k.put_UserUnit(units);
    k.put_UserDescription(description);  // the last change builds the document traced below
  } catch (const Error&) {
    return 0;
  }
  const std::string suffix = ", param=, caption=" + description + "\r\n";
  const std::size_t start = capture.last.find("] ") + 2;
  if (capture.last.size() < start + suffix.size()) return 0;  // no caption for an empty font
  const std::string rtf = capture.last.substr(start, capture.last.size() - suffix.size() - start);
  const RtfDocument doc = readRtf(rtf);
  if (!description.empty() && plain(description) && plain(fontName) &&
      doc.text().find(description) == std::string::npos)
    std::abort();
  return 0;
}
