#include "modbus/Dispatcher.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

#include "platform/Error.h"

namespace kadrelle {

Dispatcher::Dispatcher() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

Dispatcher::~Dispatcher() {
  ::close(fd_);
}

void Dispatcher::post(std::function<void()> work) {
  bool first = false;
  {
    std::lock_guard lock(mutex_);
    first = queue_.empty();
    queue_.push_back(std::move(work));
  }
  if (first) {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(fd_, &one, sizeof one);
  }
}

std::size_t Dispatcher::pump() {
  std::vector<std::function<void()>> batch;  // a local: work may pump again
  {
    std::lock_guard lock(mutex_);
    std::uint64_t count;
    [[maybe_unused]] auto read = ::read(fd_, &count, sizeof count);
    batch.swap(queue_);
  }
  std::optional<Error> failed;
  std::size_t failures = 0;
  for (auto& work : batch) {
    try {
      work();
    } catch (const std::exception& e) {  // the others still run; the host hears of it below
      if (failures++ == 0) failed = asError(e);
    } catch (...) {
      if (failures++ == 0) failed = Error(Error::kInvalidCall, "a handler failed");
    }
  }
  if (failed && failures > 1)
    throw Error(failed->number(),
                failed->description() + " (and " + std::to_string(failures - 1) + " more)");
  if (failed) throw *failed;
  return batch.size();
}

}  // namespace kadrelle
