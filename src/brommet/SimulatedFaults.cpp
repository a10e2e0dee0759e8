#include "brommet/SimulatedFaults.h"

#include <algorithm>

namespace kadrelle {

void SimulatedFaults::failNext(std::string_view member, int count, std::optional<Error> error,
                               int after) {
  if (!members_.empty() && std::find(members_.begin(), members_.end(), member) == members_.end())
    throw Error(Error::kInvalidCall, "No member " + std::string(member) + " to fail");
  std::erase_if(faults_, [&](const Fault& f) { return f.member == member; });
  if (count <= 0) return;
  faults_.push_back({std::string(member), count,
                     error ? std::move(*error)
                           : Error(kSimulatedFault, "Simulated fault in " + std::string(member)),
                     std::max(after, 0)});
}

void SimulatedFaults::failCommunication(int count) {
  communication_ = std::max(count, 0);
}

void SimulatedFaults::clear() {
  faults_.clear();
  communication_ = 0;
}

int SimulatedFaults::remaining(std::string_view member) const {
  auto it = std::find_if(faults_.begin(), faults_.end(),
                         [&](const Fault& f) { return f.member == member; });
  return it == faults_.end() ? 0 : it->count;
}

void SimulatedFaults::fire(std::string_view member, bool reachesDevice) {
  auto it = std::find_if(faults_.begin(), faults_.end(),
                         [&](const Fault& f) { return f.member == member; });
  if (it != faults_.end() && it->after > 0) {
    --it->after;
  } else if (it != faults_.end()) {
    Error error = it->error;
    if (--it->count == 0) faults_.erase(it);
    throw error;
  }
  if (reachesDevice && communication_ > 0) {
    --communication_;
    throw Error(kCommunicationFault, "No answer from the drive (simulated communication fault in " +
                                         std::string(member) + ")");
  }
}

}  // namespace kadrelle
