#include "platform/DebugChannel.h"

#include <unistd.h>

namespace kadrelle {

void StderrDebugChannel::Output(std::string_view line) {
  // One write call per line keeps lines from several writers whole.
  ssize_t ignored = ::write(STDERR_FILENO, line.data(), line.size());
  (void)ignored;
}

}  // namespace kadrelle
