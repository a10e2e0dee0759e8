// Feeds arbitrary bytes to the drive-description reader: it must refuse with an Error or give a
// description whose parameters are in number order and whose registers do not overlap.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "brommet/DriveDescription.h"
#include "platform/Error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kadrelle;
  std::shared_ptr<const DriveDescription> d;
  try {
    d = DriveDescription::parse(std::string_view(reinterpret_cast<const char*>(data), size),
                                "fuzz.json");
  } catch (const Error&) {
    return 0;
  }
  const auto all = d->parameters();
  std::size_t taken[65536 / 64] = {};  // one bit per register
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (i > 0 && all[i - 1].number >= all[i].number) std::abort();
    if (d->find(all[i].number) != &all[i] || d->findKey(all[i].key) != &all[i]) std::abort();
    if (!all[i].text && all[i].driveLower > all[i].driveUpper) std::abort();
    if (const auto& at = d->location(i)) {
      for (std::size_t r = at->address; r < std::size_t{at->address} + at->count; ++r) {
        if (r >= 65536 || (taken[r / 64] >> (r % 64) & 1)) std::abort();
        taken[r / 64] |= std::size_t{1} << (r % 64);
      }
    }
  }
  return 0;
}
