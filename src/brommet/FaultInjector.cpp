#include "brommet/FaultInjector.h"

#include <algorithm>

namespace kadrelle {

void FaultInjector::failNext(std::string_view member) {
  failNext(member, Error(kInjectedFault, "Injected fault in " + std::string(member)));
}

void FaultInjector::failNext(std::string_view member, Error error) {
  if (std::find(members_.begin(), members_.end(), member) == members_.end())
    throw Error(Error::kInvalidCall, "No member " + std::string(member) + " to fail");
  std::erase_if(armed_, [&](const auto& a) { return a.first == member; });
  armed_.emplace_back(std::string(member), std::move(error));
}

bool FaultInjector::isArmed(std::string_view member) const {
  return std::any_of(armed_.begin(), armed_.end(),
                     [&](const auto& a) { return a.first == member; });
}

void FaultInjector::fire(std::string_view member) {
  auto it =
      std::find_if(armed_.begin(), armed_.end(), [&](const auto& a) { return a.first == member; });
  if (it == armed_.end()) return;
  Error error = std::move(it->second);
  armed_.erase(it);
  throw error;
}

}  // namespace kadrelle
