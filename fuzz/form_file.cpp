// Feeds arbitrary text to the form-file reader: it must refuse with an Error or load a form,
// never crash, and a loaded form must save to a document that loads again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "brommet/BrommetLibrary.h"
#include "host/Form.h"
#include "host/FormFile.h"
#include "ombrel/OmbrelFactory.h"
#include "platform/Error.h"
#include "platform/HeadlessToolkit.h"

namespace {

using namespace kadrelle;

class Quiet : public DebugChannel {
 public:
  void Output(std::string_view) override {}
};

class NoSettings : public SettingsStore {
 public:
  std::string GetSetting(const std::string&, const std::string&, const std::string&,
                         const std::string& defaultValue) override {
    return defaultValue;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static BrommetLibrary library;
  HeadlessToolkit toolkit;
  OmbrelFactory boxes;
  NoSettings settings;
  Quiet quiet;
  Form form({toolkit, boxes, library, settings, quiet});
  std::string text(reinterpret_cast<const char*>(data), size);
  try {
    FormFile::fromJson(text, "fuzz", form);
  } catch (const Error&) {
    return 0;
  }
  std::string saved = FormFile::toJson(form);
  Form again({toolkit, boxes, library, settings, quiet});
  FormFile::fromJson(saved, "saved", again);
  if (FormFile::toJson(again) != saved) std::abort();
  return 0;
}
