#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Error.h"

namespace kadrelle {

// Makes chosen members of one library object fail on their next call, so the control's failure
// paths can be tested against the real library. Members are named as in the interface
// ("get_NumericValue", "put_Level", "Commit"). An armed member throws its error once, on its next
// call, before doing anything, and is then disarmed.
class FaultInjector {
 public:
  // The error an injected fault throws unless a test gives its own.
  static constexpr int kInjectedFault = 30100;

  explicit FaultInjector(std::initializer_list<std::string_view> members) : members_(members) {}

  // Arms the member; a name that is not a member of the object is refused with error 5.
  void failNext(std::string_view member);
  void failNext(std::string_view member, Error error);
  void clear() { armed_.clear(); }
  bool isArmed(std::string_view member) const;
  const std::vector<std::string_view>& members() const { return members_; }

  // Called first by every member: throws the armed error, if any.
  void check(std::string_view member) {
    if (!armed_.empty()) fire(member);
  }

 private:
  void fire(std::string_view member);

  std::vector<std::string_view> members_;
  std::vector<std::pair<std::string, Error>> armed_;
};

}  // namespace kadrelle
