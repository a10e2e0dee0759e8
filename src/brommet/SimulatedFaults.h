#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Error.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Faults a simulated component has been told to produce, so that a program's error handling can
// be tested against it: the next N calls of a named member fail, or the next N calls that reach
// the device fail as when the link to it is lost. Calls are named by member ("Commit",
// "get_NumericValue"); any naming works as long as the callers of check() use the same one.
//
// The simulated drive (ServoDrive::failNext, simulateCommunicationFault) keeps one of these for
// all of its value objects, views and lock levels; a test's own fakes can keep one of their own.
class SimulatedFaults {
 public:
  // The errors a fault throws unless it was given its own.
  static constexpr int kSimulatedFault = 30100;
  static constexpr int kCommunicationFault = 30101;

  // Only these member names are accepted by failNext (error 5 for others); none: any name.
  explicit SimulatedFaults(std::vector<std::string_view> members = {})
      : members_(std::move(members)) {}

  // The next `count` calls of the member fail with the error (default: kSimulatedFault,
  // "Simulated fault in <member>"), after `after` calls that still succeed. Replaces what was set
  // for that member before; a count of 0 disarms it.
  void failNext(std::string_view member, int count = 1, std::optional<Error> error = {},
                int after = 0);
  // The next `count` calls that reach the device fail with kCommunicationFault.
  void failCommunication(int count = 1);
  void clear();
  // How many more calls of the member will fail (communication faults not counted).
  int remaining(std::string_view member) const;
  const std::vector<std::string_view>& members() const { return members_; }

  // True while any fault is armed; members that do more than check() test this first.
  bool planned() const { return !faults_.empty() || communication_ > 0; }
  // Called first by every simulated member: throws the fault due, if any, and counts it.
  void check(std::string_view member, bool reachesDevice = false) {
    if (planned()) fire(member, reachesDevice);
  }

 private:
  struct Fault {
    std::string member;
    int count;
    Error error;
    int after;  // calls still to succeed first
  };
  void fire(std::string_view member, bool reachesDevice);

  std::vector<std::string_view> members_;
  std::vector<Fault> faults_;
  int communication_ = 0;
};

}  // namespace kadrelle
#pragma GCC visibility pop
