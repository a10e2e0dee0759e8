// Feeds arbitrary text to the settings file reader and writer, with arbitrary section and key
// names; a setting written is read back as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/IniSettingsStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first two lines name the section and the key; the rest is the file.
  std::size_t a = input.find('\n');
  std::size_t b = a == std::string_view::npos ? a : input.find('\n', a + 1);
  std::string_view section = input.substr(0, a);
  std::string_view key =
      a == std::string_view::npos ? std::string_view{} : input.substr(a + 1, b - a - 1);
  std::string_view text = b == std::string_view::npos ? input : input.substr(b + 1);
  (void)kadrelle::IniSettingsStore::lookup(text, section, key);
  (void)kadrelle::IniSettingsStore::lookup(text, "1", "Debug");
  const std::string written = kadrelle::IniSettingsStore::withSetting(text, "1", "Debug", "&H6");
  if (text.find('\0') == std::string_view::npos &&
      kadrelle::IniSettingsStore::lookup(written, "1", "Debug") != "&H6")
    std::abort();
  return 0;
}
