// Feeds arbitrary bytes to the drive's parameter-file reader: it must refuse with an Error and
// keep every value, or load, never crash.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "brommet/ParameterCatalog.h"
#include "brommet/ServoDrive.h"
#include "platform/Error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kadrelle;
  int fd = memfd_create("drive-file", 0);
  if (fd < 0) return 0;
  if (::write(fd, data, size) != static_cast<ssize_t>(size)) {
    ::close(fd);
    return 0;
  }
  ServoDrive drive;
  const double before = drive.value(param::SpeedLimit);
  try {
    drive.load("/proc/self/fd/" + std::to_string(fd));
  } catch (const Error&) {
    if (drive.value(param::SpeedLimit) != before) std::abort();  // nothing half-loaded
  }
  ::close(fd);
  return 0;
}
