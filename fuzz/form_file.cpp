// Feeds arbitrary text to the form-file reader: it must refuse with an Error or load a form,
// never crash, and a loaded form must save to a document that loads again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Harness.h"
#include "host/FormFile.h"
#include "platform/Error.h"

using namespace kadrelle;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Harness h;
  Form form(h.services());
  std::string text(reinterpret_cast<const char*>(data), size);
  try {
    FormFile::fromJson(text, "fuzz", form);
  } catch (const Error&) {
    return 0;
  }
  std::string saved = FormFile::toJson(form);
  Form again(h.services());
  FormFile::fromJson(saved, "saved", again);
  if (FormFile::toJson(again) != saved) std::abort();
  return 0;
}
