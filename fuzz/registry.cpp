// Feeds arbitrary text to the component registry's reader and to the module's registration data
// reader: what one accepts, written back, reads again as the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "component/Registry.h"
#include "platform/Error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kadrelle;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const auto entries = com::parseRegistry(text, "registry");
    std::string written;
    for (const auto& [key, value] : entries) written += key + "=" + value + "\n";
    if (com::parseRegistry(written, "registry") != entries) std::abort();
  } catch (const Error&) {
  }
  try {
    const std::string once = com::RegistrationData::parse(text).text();
    if (com::RegistrationData::parse(once).text() != once) std::abort();
  } catch (const Error&) {
  }
  return 0;
}
